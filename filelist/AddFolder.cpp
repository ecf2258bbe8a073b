#include "AddFolder.h"

#include "ErrorReport.h"
#include "FileUtils.h"
#include "Paths.h"
#include "Platform.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>

namespace AddFolder {

namespace {

constexpr int MaxPath = 260;

// One walk, from its first folder to its last file.
struct Walker {
    Host& host;
    const SubFolderLister& subFolders;
    QElapsedTimer sinceEvents;

    // Lets the window handle its events often enough to stay responsive, but
    // not so often that repainting a growing list costs more than the walk.
    void keepWindowAlive()
    {
        if (!sinceEvents.isValid() || sinceEvents.elapsed() >= 10) {
            host.letEventsIn();
            sinceEvents.start();
        }
    }

    void walk(QStringList& folders, bool recurse);
};
constexpr int HiddenSystemFolder = 22, HiddenSystemLink = 1046, HiddenArchiveFile = 34;

bool isStopped(int attributes)
{
    return attributes == HiddenSystemFolder || attributes == HiddenSystemLink;
}

// True when the folder is one of its own ancestors on the path walked: a link
// that leads back up would be walked without end. A folder that is reached
// another way as well is no loop; it is walked under each path.
bool leadsBackUp(const QString& folder)
{
    const QString real = QFileInfo(folder).canonicalFilePath();
    QString path = QDir::cleanPath(folder);
    if (real.isEmpty() || real == path)
        return false; // no link on the way: it lies below all its ancestors
    for (QString up = QFileInfo(path).path(); up != path; path = up, up = QFileInfo(path).path())
        if (QFileInfo(up).canonicalFilePath() == real)
            return true;
    return false;
}

void Walker::walk(QStringList& folders, bool recurse)
{
    StepGuard step(host, ErrorReport::location("AddFolder", "GetSubDirectories2016", ErrorReport::WalkProject));
    const QChar sep = Paths::separator();
    QStringList newFolders;
    for (qsizetype i = 0; i < folders.size(); ++i) {
        const QString entry = folders[i];
        if (!FileUtils::IsFolder(entry) || entry.size() >= MaxPath)
            continue;
        keepWindowAlive();
        bool stopped = false;
        step(104, [&] { stopped = !Platform::isRootFolder(entry) && isStopped(Platform::fileAttributes(entry)); });
        if (stopped)
            continue;
        QStringList names;
        try {
            names = subFolders(entry);
        } catch (const Platform::FolderError& e) {
            if (e.code == 70 || e.code == 76) {
                // Unreadable: it and its files drop out of the walk.
                folders.removeAt(folders.indexOf(entry));
                --i;
            } else {
                step.report(106, QString::fromStdString(e.what()));
            }
            continue;
        }
        for (const QString& name : names) {
            keepWindowAlive();
            if (name.size() >= MaxPath || HasBadNameChars(name) || name == "." || name == "..")
                continue;
            const QString folder = entry + name + sep;
            if (!leadsBackUp(folder))
                newFolders << folder;
        }
    }
    if (recurse && !newFolders.isEmpty())
        walk(newFolders, true);
    for (const QString& folder : std::as_const(newFolders)) {
        if (!FileUtils::IsFolder(folder))
            continue;
        keepWindowAlive();
        bool admitted = false;
        step(112, [&] { admitted = Platform::isRootFolder(folder) || !isStopped(Platform::fileAttributes(folder)); });
        if (admitted)
            folders << folder;
    }
}

// On Windows "*.*" matches every name, also one without a dot.
QString nameFilter(const QString& pattern)
{
    return pattern == "*.*" ? QStringLiteral("*") : pattern;
}

// Names the system lists but that cannot be kept exactly, whose files could
// not be opened: the folders among them, and the files the walk would take.
int unreadableNamesIn(const QString& folder, const QString& pattern)
{
    const QRegularExpression matches(QRegularExpression::wildcardToRegularExpression(nameFilter(pattern)),
                                     QRegularExpression::CaseInsensitiveOption);
    int count = 0;
    for (const Platform::UnreadableName& name : Platform::unreadableNames(folder))
        if (name.folder
            || (!name.shown.startsWith('~') && !name.shown.startsWith('.') && matches.match(name.shown).hasMatch()))
            ++count;
    return count;
}

QString unreadableMessage(const QStringList& folders)
{
    constexpr qsizetype Shown = 10;
    QString text = "Some names in these folders are not valid text and could not be read, so what they name was "
                   "not added:\r";
    for (const QString& folder : folders.mid(0, Shown))
        text += "\r" + folder;
    if (folders.size() > Shown)
        text += QString("\r... and %1 more folders").arg(folders.size() - Shown);
    return text;
}

} // namespace

QString BrowseForFolder(Host& host, const QString& title, const QString& startFolder)
{
    return host.chooseFolder({title, FileUtils::IsFolder(startFolder) ? startFolder : QString()});
}

void GetSubDirectories2016(QStringList& folders, bool recurse, Host& host, const SubFolderLister& subFolders)
{
    Walker{host, subFolders, {}}.walk(folders, recurse);
}

void AddFolderFiles(const QString& folder, const QString& pattern, const AppendRow& appendRow, Host& host,
                    const SubFolderLister& subFolders)
{
    const QChar sep = Paths::separator();
    QStringList folders{folder + sep};
    Walker walker{host, subFolders, {}};
    walker.walk(folders, true);
    QStringList unreadable;
    for (const QString& entry : std::as_const(folders)) {
        walker.keepWindowAlive(); // also while the files are added
        const QString path = entry.chopped(1);
        if (const int count = unreadableNamesIn(path, pattern))
            unreadable << QString("%1 (%2)").arg(Paths::CollapseBackslashes(path)).arg(count);
        for (const QString& name : ListFilesInFolder(path, pattern)) {
            if (name.startsWith('~'))
                continue;
            const QString candidate = path + sep + name;
            if (IsExistingFile(candidate) && Platform::fileAttributes(candidate) != HiddenArchiveFile)
                appendRow(Paths::CollapseBackslashes(candidate));
        }
    }
    if (!unreadable.isEmpty())
        host.information(unreadableMessage(unreadable));
}

QStringList ListFilesInFolder(QString folder, const QString& pattern)
{
    if (!folder.endsWith(Paths::separator()))
        folder += Paths::separator();
    const QStringList names
        = QDir(folder).entryList({nameFilter(pattern)}, QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
    QStringList retained;
    for (const QString& name : names)
        if (IsExistingFile(folder + name))
            retained << name;
    return retained;
}

bool IsExistingFile(const QString& path)
{
    return QFileInfo(path).isFile();
}

bool HasBadNameChars(const QString& name)
{
    for (QChar c : name) {
        const char16_t u = c.unicode();
        if (u < 32 || (u >= 127 && u <= 159) || u == '?')
            return true;
    }
    return false;
}

} // namespace AddFolder
