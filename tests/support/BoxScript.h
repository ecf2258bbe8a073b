#pragma once
// The host of the tests: answers the program's boxes and dialogs from a
// script. Each takes the next queued answer; one with no answer queued fails
// the running test and gets a cancel (or its default button), so no test ever
// waits on a box.

#include "Host.h"

#include <QList>
#include <QStringList>

#include <functional>

class BoxScript : public Host {
public:
    BoxScript() = default;
    BoxScript(const BoxScript&) = delete;
    BoxScript& operator=(const BoxScript&) = delete;

    /// Queues the answer to the next message box.
    void answer(Button button, int times = 1);
    /// Queues the text typed into the next input box ("" cancels).
    void type(const QString& text);
    /// Queues the files chosen in the next file dialog (none cancels).
    void chooseFiles(const QStringList& paths);
    /// Queues the folder chosen in the next folder browser ("" cancels).
    void chooseFolder(const QString& folder);
    /// Forgets what was shown so far, for the next step of a test.
    BoxScript& fresh();

    QList<Box> shown;
    QList<TextRequest> asked;
    QList<FilesRequest> fileDialogs;
    QList<FolderRequest> browsers;
    QStringList opened;
    QStringList texts() const;
    /// Answers queued that no box took.
    int unused() const { return int(m_answers.size() + m_inputs.size() + m_files.size() + m_folders.size()); }
    /// When set, file dialogs are this host's (a real dialog).
    Host* realFileDialogs = nullptr;
    /// Called whenever the program lets events in, before they are handled:
    /// what a test does at a moment the program itself marks.
    std::function<void()> onEvents;
    /// Whether the engine's busy pointer is on: it is inside a file.
    bool busy() const { return m_busy; }

    Button present(const Box& box) override;
    QString askText(const TextRequest& request) override;
    QStringList chooseFiles(const FilesRequest& request) override;
    QString chooseFolder(const FolderRequest& request) override;
    void open(const QString& target) override { opened << target; }
    void setBusy(bool busy) override { m_busy = busy; }
    void letEventsIn() override;

private:
    QList<Button> m_answers;
    QStringList m_inputs;
    QList<QStringList> m_files;
    QStringList m_folders;
    bool m_busy = false;
};
