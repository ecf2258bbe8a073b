#pragma once
// Answers the program's boxes and dialogs in tests. Each takes the next queued
// answer; one with no answer queued fails the running test and gets a cancel
// (or its default button), so no test ever waits on a box.

#include "Dialogs.h"
#include "MessageBox.h"

#include <QList>
#include <QStringList>

class BoxScript {
public:
    BoxScript();
    ~BoxScript();
    BoxScript(const BoxScript&) = delete;
    BoxScript& operator=(const BoxScript&) = delete;

    /// Queues the answer to the next message box.
    void answer(MessageBox::Button button, int times = 1);
    /// Queues the text typed into the next input box ("" cancels).
    void type(const QString& text);
    /// Queues the files chosen in the next file dialog (none cancels).
    void chooseFiles(const QStringList& paths);
    /// Queues the folder chosen in the next folder browser ("" cancels).
    void chooseFolder(const QString& folder);

    QList<MessageBox::Box> shown;
    QList<InputBox::Request> asked;
    QList<FileDialog::Request> fileDialogs;
    QList<FolderBrowser::Request> browsers;
    QStringList texts() const;
    /// Answers queued that no box took.
    int unused() const { return int(m_answers.size() + m_inputs.size() + m_files.size() + m_folders.size()); }

private:
    QList<MessageBox::Button> m_answers;
    QStringList m_inputs;
    QList<QStringList> m_files;
    QStringList m_folders;
    MessageBox::Presenter m_previous;
    InputBox::Presenter m_previousInput;
    FileDialog::Presenter m_previousFiles;
    FolderBrowser::Presenter m_previousFolders;
};
