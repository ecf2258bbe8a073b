#pragma once
// Where the engine's and the walk's reports go without a window: boxes become
// lines of text, printed on standard error or kept for the file at hand.

#include "Host.h"

#include <QStringList>

namespace Batch {

class BatchHost : public Host {
public:
    enum Mode { Print, Collect };
    explicit BatchHost(Mode mode) : m_mode(mode) { }

    /// What was reported since the last call (Collect).
    QStringList takeMessages();

    /// A box as one line: the description and where it failed, without the
    /// window's request for a screenshot.
    static QString plainText(const Box& box);

    /// Printed or kept; the default button is the answer.
    Button present(const Box& box) override;
    // No one to ask: every dialog is cancelled.
    QString askText(const TextRequest&) override { return {}; }
    QStringList chooseFiles(const FilesRequest&) override { return {}; }
    QString chooseFolder(const FolderRequest&) override { return {}; }

private:
    Mode m_mode;
    QStringList m_messages;
};

} // namespace Batch
