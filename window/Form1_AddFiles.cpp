#include "Form1.h"

#include "AddFolder.h"
#include "ErrorReport.h"
#include "FileList.h"
#include "Paths.h"
#include "Platform.h"
#include "SettingsStore.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTreeWidget>
#include <QUrl>

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

QStringList droppedPaths(const QMimeData* data)
{
    QStringList paths;
    if (data && data->hasUrls())
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                paths << url.toLocalFile();
    return paths;
}

} // namespace

void Form1::appendRow(const QString& path)
{
    FileList::AppendRow(ListView1, path);
}

void Form1::PushButton1_Click()
{
    StepGuard step(m_host, ErrorReport::location("Form1", "PushButton1_Click"));
    QStringList chosen;
    step(100, [&] {
        chosen = m_host.chooseFiles(
            {"Add File(s) - Hold Ctrl to select multiple files",
             {"Calc Spreadsheets (*.ods;*.ots;*.sxc;*.stc) (*.ods *.ots *.sxc *.stc)", "All Files (*.*) (*)"}});
    });
    if (chosen.isEmpty())
        return;
    if (resultLength(chosen) > DialogResultCapacity) {
        step(102, [&] {
            m_host.information(
                "You've selected too many files to add.\r\rPlease try adding via the \"Add All\" button.");
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
                m_host.information(candidate + "\r\rwas not added because it has bad characters in the filename.");
            else
                appendRow(candidate);
        });
    }
}

void Form1::PushButton4_Click()
{
    StepGuard step(m_host, ErrorReport::location("Form1", "PushButton4_Click"));
    QString extension;
    step(100, [&] {
        extension = m_host.ask("Enter file extension to load:\r\r(* for all files, txt for all txt files, doc for "
                               "all doc files, etc.)",
                               SettingsStore::read("Extension", "ods"));
    });
    if (extension.isEmpty())
        return;
    step(102, [&] { SettingsStore::write("Extension", extension); });
    QString folder;
    step(104, [&] { folder = SettingsStore::read("LastFolder"); });
    step(106, [&] { folder = AddFolder::BrowseForFolder(m_host, "Please select folder:", folder); });
    if (folder.isEmpty())
        return;
    step(108, [&] { SettingsStore::write("LastFolder", folder); });
    step(110, [&] { setMousePointer(Pointer::Hourglass); });
    step(112, [&] {
        AddFolder::AddFolderFiles(
            folder, "*." + extension, [this](const QString& p) { appendRow(p); }, m_host);
    });
    step(114, [&] { setMousePointer(Pointer::Default); });
}

bool Form1::ListView1_OLEDragOver(QDragMoveEvent* event)
{
    // Only a list of files may be dropped here.
    if (droppedPaths(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
    return true;
}

void Form1::ListView1_OLEDragDrop(QDropEvent* event)
{
    for (QString path : droppedPaths(event->mimeData())) {
        const bool folder = QFileInfo(path).isDir() && (Platform::fileAttributes(path) & 16);
        if (!folder) {
            appendRow(path);
            continue;
        }
        while (path.size() > 1 && path.endsWith(Paths::separator()))
            path.chop(1);
        AddFolder::AddFolderFiles(
            path, "*.*", [this](const QString& p) { appendRow(p); }, m_host);
    }
    event->acceptProposedAction();
}
