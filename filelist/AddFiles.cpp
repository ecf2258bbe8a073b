#include "AddFiles.h"

#include "AddFolder.h"
#include "ErrorReport.h"
#include "Paths.h"
#include "Platform.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace AddFiles {

namespace {

// What one selection may take in the file dialog's result: the folder, then a
// separator and a name for each file, and the two closing characters.
constexpr int DialogResultCapacity = 30000;

int resultLength(const QStringList& paths)
{
    if (paths.size() == 1)
        return int(paths[0].size()) + 2;
    int length = int(QFileInfo(paths[0]).path().size()) + 2;
    for (const QString& path : paths)
        length += 1 + int(QFileInfo(path).fileName().size());
    return length;
}

} // namespace

void FromDialog(FileList& list, StepGuard& step)
{
    Host& host = step.host();
    QStringList chosen;
    step(100, [&] {
        chosen = host.chooseFiles(
            {"Add File(s) - Hold Ctrl to select multiple files",
             {"Calc Spreadsheets (*.ods;*.ots;*.sxc;*.stc) (*.ods *.ots *.sxc *.stc)", "All Files (*.*) (*)"}});
    });
    if (chosen.isEmpty())
        return;
    if (resultLength(chosen) > DialogResultCapacity) {
        step(102, [&] {
            host.information("You've selected too many files to add.\r\rPlease try adding via the \"Add All\" button.");
        });
        return;
    }
    const bool several = chosen.size() > 1;
    for (const QString& path : std::as_const(chosen)) {
        step(104, [&] {
            // Several files come as a folder and names, joined here again.
            const QString candidate = several
                ? Paths::CollapseBackslashes(QFileInfo(path).path() + Paths::separator() + QFileInfo(path).fileName())
                : path;
            if (FileList::HasBadFileName(candidate))
                host.information(candidate + "\r\rwas not added because it has bad characters in the filename.");
            else
                list.appendRow(candidate);
        });
    }
}

QStringList DroppedPaths(const QMimeData* data)
{
    QStringList paths;
    if (data && data->hasUrls())
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                paths << url.toLocalFile();
    return paths;
}

void Dropped(FileList& list, const QStringList& paths, Host& host)
{
    for (const QString& path : paths) {
        const bool folder = QFileInfo(path).isDir() && (Platform::fileAttributes(path) & 16);
        if (!folder) {
            list.appendRow(path);
            continue;
        }
        AddFolder::AddFolderFiles(
            Paths::WithoutTrailingSeparators(path), "*.*", [&list](const QString& p) { list.appendRow(p); }, host);
    }
}

} // namespace AddFiles
