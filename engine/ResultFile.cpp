#include "Calc1.h"

#include "Paths.h"
#include "Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QRegularExpression>

namespace Calc1 {

static bool taken(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

std::optional<ResultFormat> resultFormat(const QString& extension)
{
    const QString e = extension.toLower();
    if (e == "ods")
        return ResultFormat{};
    // Text as the user sees it: comma, double quote, UTF-8, from the first
    // line; cells as shown, formulas as their results.
    static const QHash<QString, ResultFormat> formats{
        {"fods", {"fods", "OpenDocument Spreadsheet Flat XML", {}, false}},
        {"xlsx", {"xlsx", "Calc MS Excel 2007 XML", {}, false}},
        {"xlsm", {"xlsm", "Calc MS Excel 2007 VBA XML", {}, false}},
        {"xls", {"xls", "MS Excel 97", {}, false}},
        {"csv", {"csv", "Text - txt - csv (StarCalc)", "44,34,76,1,,0,false,true,true,false,false", true}},
    };
    if (const auto it = formats.constFind(e); it != formats.cend())
        return *it;
    return std::nullopt;
}

QString resultName(const QString& inputPath, const QString& extension)
{
    return Paths::ReplaceExtension(Paths::GetFileName(inputPath), extension);
}

QString resultPath(const QString& resultsFolder, const QString& inputPath, const QString& extension)
{
    return Paths::CollapseBackslashes(resultsFolder + Paths::separator() + resultName(inputPath, extension));
}

namespace {

// "<pid>.<start time>" of this process: its temporary files are told from
// those of a dead process that had the same id.
QString processTag()
{
    const qint64 pid = QCoreApplication::applicationPid();
    return QString("%1.%2").arg(pid).arg(Platform::processStartTime(pid));
}

// Made here and now, empty; false when the name is taken. Anything else the
// system refuses is thrown.
bool claim(const QString& path)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return true;
    if (taken(path))
        return false;
    throw std::runtime_error(QString("Could not make the file %1: %2").arg(path, file.errorString()).toStdString());
}

} // namespace

ResultPaths ClaimResultPaths(const QString& resultsFolder, const QString& inputPath, const QString& extension,
                             Temporary kind)
{
    ResultPaths paths;
    paths.final = resultPath(resultsFolder, inputPath, extension);
    // A file of the user's that has the temporary name stays untouched.
    const QString named = resultPath(resultsFolder, inputPath, "sxw");
    const QString folder = QFileInfo(paths.final).path() + '/';
    for (int n = 0; n < 100000; ++n) {
        paths.temporary = kind == Temporary::Named
            ? (n == 0 ? named : QString("%1.%2.sxw").arg(named.chopped(4)).arg(n))
            : QString("%1.cellwinnow-%2-%3.tmp")
                  .arg(folder, processTag())
                  .arg(QRandomGenerator::global()->generate64() & 0xFFFFFFFFFFFFull, 12, 16, QChar('0'));
        if (claim(paths.temporary))
            return paths;
    }
    throw std::runtime_error(QString("No free temporary name beside %1").arg(paths.final).toStdString());
}

QString whyUnopenable(const QString& path)
{
    const QFileInfo file(path);
    if (!file.exists())
        return QString("There is no file %1").arg(path);
    if (file.isDir())
        return QString("%1 is a folder, not a spreadsheet").arg(path);
    if (!file.isReadable())
        return QString("You may not read %1").arg(path);
    // The office would take an empty file for a new, empty spreadsheet.
    if (file.size() == 0)
        return QString("The file is empty: %1").arg(path);
    return {};
}

QString whyRefused(office::Refusal refusal, const QString& path)
{
    switch (refusal) {
    case office::Refusal::Password: return QString("%1 is protected by a password").arg(path);
    case office::Refusal::Locked: return QString("%1 is locked by another program").arg(path);
    case office::Refusal::NoAccess: return QString("You may not read %1").arg(path);
    case office::Refusal::Missing: return QString("There is no file %1").arg(path);
    case office::Refusal::NotSpreadsheet:
    case office::Refusal::Unknown: break;
    }
    return QString("%1 is not a spreadsheet the office can open: it may be damaged, or another kind of file").arg(path);
}

QString whyNotStorable(const QString& folder, const QString& name, qint64 bytes)
{
    switch (Platform::whyNotWritable(folder, name, bytes)) {
    case Platform::WriteRefusal::None: break;
    case Platform::WriteRefusal::Missing: return QString("The results folder %1 is not there any more").arg(folder);
    case Platform::WriteRefusal::NotAFolder:
        return QString("The results folder %1 is a file, not a folder").arg(folder);
    case Platform::WriteRefusal::ReadOnly:
        return QString("The results folder %1 is on a disk that may only be read").arg(folder);
    case Platform::WriteRefusal::NoPermission: return QString("You may not write to the results folder %1").arg(folder);
    case Platform::WriteRefusal::Full: return QString("No space left on the disk of the results folder %1").arg(folder);
    case Platform::WriteRefusal::NameTooLong:
        return QString("The name of the result %1 is too long for the file system of %2").arg(name, folder);
    }
    if (!name.isEmpty() && QFileInfo(folder + '/' + name).isDir())
        return QString("A folder in %1 has the name the result should take, %2").arg(folder, name);
    return {};
}

int removeDeadTemporaries(const QString& folder)
{
    const QRegularExpression privateName("^\\.cellwinnow-(\\d+)\\.(\\d+)-[0-9a-f]{12}\\.tmp$");
    int removed = 0;
    QDir dir(folder);
    for (const QFileInfo& entry : dir.entryInfoList({".cellwinnow-*.tmp"}, QDir::Files | QDir::Hidden | QDir::System)) {
        const QRegularExpressionMatch m = privateName.match(entry.fileName());
        // Never through a link, never another user's, never a live process's.
        if (!m.hasMatch() || entry.isSymLink() || entry.ownerId() != Platform::userId()
            || Platform::processStartTime(m.captured(1).toLongLong()) == m.captured(2))
            continue;
        removed += dir.remove(entry.fileName()) ? 1 : 0;
    }
    return removed;
}

} // namespace Calc1
