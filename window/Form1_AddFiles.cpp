#include "Form1.h"

#include "AddFiles.h"
#include "AddFolder.h"
#include "ErrorReport.h"
#include "SettingsStore.h"

#include <QDragMoveEvent>
#include <QDropEvent>

void Form1::PushButton1_Click()
{
    StepGuard step(m_host, ErrorReport::location("Form1", "PushButton1_Click"));
    AddFiles::FromDialog(m_files, step);
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
            folder, "*." + extension, [this](const QString& p) { m_files.appendRow(p); }, m_host);
    });
    step(114, [&] { setMousePointer(Pointer::Default); });
}

bool Form1::ListView1_OLEDragOver(QDragMoveEvent* event)
{
    // Only a list of files may be dropped here.
    if (AddFiles::DroppedPaths(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
    return true;
}

void Form1::ListView1_OLEDragDrop(QDropEvent* event)
{
    AddFiles::Dropped(m_files, AddFiles::DroppedPaths(event->mimeData()), m_host);
    event->acceptProposedAction();
}
