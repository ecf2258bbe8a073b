#include "OfficeRuns.h"

#include "Platform.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QUrl>

namespace office_runs {

namespace {

// "<pid>.<start time>" of this process.
QString runTag()
{
    const qint64 pid = QCoreApplication::applicationPid();
    return QString("%1.%2").arg(pid).arg(Platform::processStartTime(pid));
}

QString pipeFile(const QString& name)
{
    return QString("%1/OSL_PIPE_%2_%3").arg(pipeFolder()).arg(Platform::userId()).arg(name);
}

int removeDead(const QString& folder, const QRegularExpression& pattern, bool folders)
{
    int removed = 0;
    QDir dir(folder);
    const auto filter = (folders ? QDir::Dirs : QDir::System) | QDir::NoDotAndDotDot | QDir::Hidden;
    for (const QFileInfo& entry : dir.entryInfoList(filter)) {
        const QRegularExpressionMatch m = pattern.match(entry.fileName());
        // Never through a link, never another user's.
        if (!m.hasMatch() || entry.isSymLink() || entry.ownerId() != Platform::userId())
            continue;
        if (Platform::processStartTime(m.captured(1).toLongLong()) == m.captured(2))
            continue; // the run still runs
        if (folders) {
            // A profile's office left its own pipe too.
            const QString url = QUrl::fromLocalFile(entry.absoluteFilePath()).toString(QUrl::FullyEncoded);
            Platform::removeOwnSocket(pipeFiles({}, url).constLast());
            removed += QDir(entry.absoluteFilePath()).removeRecursively() ? 1 : 0;
        } else {
            removed += Platform::removeOwnSocket(entry.absoluteFilePath()) ? 1 : 0;
        }
    }
    return removed;
}

} // namespace

QString folderTemplate(const QString& kind)
{
    return QDir::tempPath() + "/cellwinnow-" + kind + '-' + runTag() + "-XXXXXX";
}

QString pipeName()
{
    return QString("cellwinnow-%1-%2").arg(runTag()).arg(QRandomGenerator::global()->generate64(), 16, 16, QChar('0'));
}

QString pipeFolder()
{
    return QFileInfo("/tmp").isWritable() ? QString("/tmp") : QString("/var/tmp");
}

QStringList pipeFiles(const QString& pipeName, const QString& profileUrl)
{
    // The office names its own pipe after the MD5 of the profile's URL in
    // UTF-16, each byte in hex without leading zeros.
    const QByteArray digest = QCryptographicHash::hash(
        QByteArray(reinterpret_cast<const char*>(profileUrl.utf16()), profileUrl.size() * 2), QCryptographicHash::Md5);
    QString hash;
    for (const char byte : digest)
        hash += QString::number(uchar(byte), 16);
    return {pipeFile(pipeName), pipeFile("SingleOfficeIPC_" + hash)};
}

int removeLeftovers(const QString& tempFolder, const QString& pipeFolder)
{
    const QRegularExpression folder("^cellwinnow-[a-z]+-(\\d+)\\.(\\d+)-[A-Za-z0-9]{6}$");
    const QRegularExpression pipe("^OSL_PIPE_\\d+_cellwinnow-(\\d+)\\.(\\d+)-[0-9a-f]{16}$");
    return removeDead(tempFolder, folder, true) + removeDead(pipeFolder, pipe, false);
}

void removeStoreScratch(const QString& folder, qint64 officePid)
{
    const QString prefix = QString("lu%1").arg(officePid);
    QDir dir(folder);
    for (const QString& name : dir.entryList({prefix + "*.tmp"}, QDir::Files | QDir::Hidden)) {
        bool another = false;
        for (qsizetype end = prefix.size(); end < name.size() && name[end].isDigit() && !another; ++end)
            another = Platform::processRuns(name.mid(2, end - 1).toLongLong());
        if (!another)
            dir.remove(name);
    }
}

} // namespace office_runs
