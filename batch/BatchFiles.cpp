#include "BatchFiles.h"

#include "Paths.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace Batch {

namespace fs = std::filesystem;

namespace {

fs::path native(const QString& path)
{
    return fs::path(QFile::encodeName(path).toStdString());
}

QString fromNative(const fs::path& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

// The path with every link and "..", as far as it exists, resolved.
QString realPath(const QString& path)
{
    std::error_code error;
    const fs::path real = fs::weakly_canonical(native(path), error);
    return error ? QFileInfo(path).absoluteFilePath() : fromNative(real);
}

QString joined(const QString& folder, const QString& name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

// The walk of the command's own: the system's names as they are, each real
// folder once, sorted, and nothing left out without a word.
class Walk {
public:
    Walk(const QStringList& extensions, const QString& resultsFolder, Gathered& into)
        : m_extensions(extensions), m_all(extensions.contains("*")), m_into(into)
    {
        if (!resultsFolder.isEmpty())
            m_results = realPath(resultsFolder);
    }

    void file(const QString& path, const QString& below, const QString& refused = {})
    {
        // Named twice, or reached through a link: processed once.
        const QString real = realPath(path);
        if (!std::exchange(m_seenFiles[real], true))
            m_into.files.append({.path = path, .real = real, .below = below, .refused = refused, .noFallback = {}});
    }

    void folder(const QString& path) { visit(Paths::WithoutTrailingSeparators(path), {}, true); }

private:
    bool wanted(const QString& name) const
    {
        return m_all || m_extensions.contains(QFileInfo(name).suffix(), Qt::CaseInsensitive);
    }

    void leaveOut(const QString& path, const QString& why) { m_into.leftOut.append({path, why}); }

    void visit(const QString& folder, const QString& below, bool named)
    {
        const QString real = realPath(folder);
        // The results folder is never input, but when it is the folder named.
        if ((!named && real == m_results) || std::exchange(m_seenFolders[real], true))
            return;
        std::error_code error;
        fs::directory_iterator it(native(folder), error);
        if (error)
            return leaveOut(folder,
                            QString("cannot read this folder (%1)").arg(QString::fromStdString(error.message())));
        QStringList files, folders;
        for (; !error && it != fs::directory_iterator(); it.increment(error)) {
            const std::string bytes = it->path().filename().native();
            if (bytes.starts_with('.'))
                continue; // hidden, as the office's lock files are
            const QString name = QFile::decodeName(QByteArray::fromStdString(bytes));
            std::error_code statusError;
            const fs::file_status status = it->status(statusError);
            const bool isFolder = fs::is_directory(status);
            const bool unknown = statusError && statusError != std::errc::no_such_file_or_directory;
            if (!isFolder && !unknown && !wanted(name))
                continue;
            const QString path = joined(folder, name);
            if (QFile::encodeName(name).toStdString() != bytes)
                leaveOut(path, "its name is not valid text in this system's encoding, so it cannot be opened");
            else if (unknown)
                leaveOut(path, QString("cannot be read (%1)").arg(QString::fromStdString(statusError.message())));
            else if (isFolder)
                folders << name;
            else if (fs::is_regular_file(status))
                files << name;
            else if (!fs::exists(status))
                leaveOut(path, "a link to nothing");
            else
                leaveOut(path, "not a regular file");
        }
        if (error)
            leaveOut(folder, QString("cannot read this folder (%1)").arg(QString::fromStdString(error.message())));
        files.sort();
        folders.sort();
        for (const QString& name : std::as_const(files))
            file(joined(folder, name), below);
        for (const QString& name : std::as_const(folders))
            visit(joined(folder, name), below.isEmpty() ? name : below + '/' + name, false);
    }

    const QStringList& m_extensions;
    const bool m_all;
    Gathered& m_into;
    QString m_results;
    QHash<QString, bool> m_seenFiles, m_seenFolders;
};

// A path of a list that names nothing fails as a file of the run: one line of
// hundreds is no reason to refuse them all. Named on the command line, it is
// a mistake in the command.
void addPath(const QString& path, Walk& walk, bool listed)
{
    const QFileInfo info(path);
    if (info.isFile())
        return walk.file(path, {});
    if (info.isDir())
        return walk.folder(path);
    if (listed)
        return walk.file(path, {}, Calc1::whyUnopenable(path));
    if (info.exists() || info.isSymLink())
        throw UsageError(QString("not a file or folder: %1").arg(path));
    throw UsageError(QString("no such file or folder: %1").arg(path));
}

} // namespace

Gathered gatherFiles(const QStringList& paths, const QStringList& extensions, const std::function<QString()>& readLine,
                     const QString& resultsFolder)
{
    Gathered gathered;
    Walk walk(extensions, resultsFolder, gathered);
    bool stdinRead = false;
    for (const QString& path : paths) {
        if (path != "-") {
            addPath(path, walk, false);
            continue;
        }
        if (std::exchange(stdinRead, true))
            continue; // standard input holds one list
        for (QString line = readLine(); !line.isNull(); line = readLine())
            if (!line.isEmpty())
                addPath(line, walk, true);
    }
    return gathered;
}

void checkClashes(QList<File>& files, const Options& options)
{
    QHash<QString, qsizetype> inputs;
    for (qsizetype i = 0; i < files.size(); ++i)
        inputs.insert(files[i].real, i);
    QStringList results; // by file, with every link resolved
    if (!options.results.isEmpty())
        for (const File& file : std::as_const(files))
            results << realPath(resultPath(file, options));
    if (!options.report.isEmpty() && options.report != "-") {
        const QString report = realPath(options.report);
        if (inputs.contains(report))
            throw UsageError(
                QString("the report %1 is a file of this run: give the report another name").arg(options.report));
        if (const qsizetype i = results.indexOf(report); i >= 0)
            throw UsageError(QString("the report %1 is where the result of %2 goes: give the report another name")
                                 .arg(options.report, files[i].path));
    }
    if (options.results.isEmpty())
        return;
    // A result would replace a file of the list, its own included, or the
    // result of a file before it.
    QHash<QString, qsizetype> taken;
    for (qsizetype i = 0; i < files.size(); ++i) {
        File& file = files[i];
        if (!file.refused.isEmpty())
            continue;
        const QString& real = results[i];
        if (const auto input = inputs.constFind(real); input != inputs.cend())
            file.refused = *input == i ? QString("The result of %1 would replace the file itself").arg(file.path)
                                       : QString("The result of %1 would replace %2, a file of this run")
                                             .arg(file.path, resultPath(file, options));
        else if (const auto earlier = taken.constFind(real); earlier != taken.cend())
            file.refused = QString("The result of %1 would replace %2, the result of %3, listed before it")
                               .arg(file.path, resultPath(file, options), files[*earlier].path);
        else
            taken.insert(real, i);
    }
    // A document of several sheets goes to .ods when its format holds one:
    // only where that name is nobody's.
    for (File& file : files)
        if (file.refused.isEmpty() && formatOf(file.path, options.format).oneSheet) {
            const QString real = realPath(resultPath(file, options, "ods"));
            if (const auto input = inputs.constFind(real); input != inputs.cend())
                file.noFallback = QString("as .ods it would replace %1, a file of this run").arg(files[*input].path);
            else if (const auto other = taken.constFind(real); other != taken.cend())
                file.noFallback = QString("as .ods it would replace the result of %1").arg(files[*other].path);
        }
}

QList<File> shareOf(const QList<File>& files, int shard, int shards)
{
    const qint64 n = files.size();
    const qint64 from = n * (shard - 1) / shards, to = n * shard / shards;
    return files.mid(from, to - from);
}

Calc1::ResultFormat formatOf(const QString& path, const QString& format)
{
    return Calc1::resultFormat(format == "same" ? QFileInfo(path).suffix() : format).value_or(Calc1::ResultFormat{});
}

QStringList unwritable(const QList<File>& files, const QString& format)
{
    QStringList extensions;
    if (format == "same")
        for (const File& file : files)
            if (const QString suffix = QFileInfo(file.path).suffix().toLower();
                !Calc1::resultFormat(suffix) && !extensions.contains(suffix))
                extensions << suffix;
    return extensions;
}

QString resultFolder(const File& file, const Options& options)
{
    if (options.results.isEmpty() || file.below.isEmpty())
        return options.results;
    return joined(options.results, file.below);
}

QString resultPath(const File& file, const Options& options, const QString& extension)
{
    if (options.results.isEmpty())
        return {};
    return Calc1::resultPath(resultFolder(file, options), file.path,
                             extension.isEmpty() ? formatOf(file.path, options.format).extension : extension);
}

std::optional<qint64> modifiedNs(const QString& path)
{
    std::error_code error;
    const fs::file_time_type time = fs::last_write_time(native(path), error);
    if (error)
        return std::nullopt;
    return std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
}

bool setModifiedNs(const QString& path, qint64 ns)
{
    std::error_code error;
    fs::last_write_time(
        native(path),
        fs::file_time_type(std::chrono::duration_cast<fs::file_time_type::duration>(std::chrono::nanoseconds(ns))),
        error);
    return !error;
}

bool doneBefore(const File& file, const Options& options)
{
    const QString result = resultPath(file, options);
    const std::optional<qint64> made = modifiedNs(result), now = modifiedNs(file.path);
    return QFileInfo(result).isFile() && made && now && *made == *now;
}

} // namespace Batch
