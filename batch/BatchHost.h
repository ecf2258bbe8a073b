#pragma once
// Where the engine's and the walk's reports go without a window: boxes become
// lines of text, printed on standard error or kept for the file at hand.

#include "MessageBox.h"

#include <QStringList>

namespace Batch {

class BatchHost {
public:
    enum Mode { Print, Collect };
    explicit BatchHost(Mode mode);
    ~BatchHost();
    BatchHost(const BatchHost&) = delete;
    BatchHost& operator=(const BatchHost&) = delete;

    /// What was reported since the last call (Collect).
    QStringList takeMessages();

    /// A box as one line: the description and where it failed, without the
    /// window's request for a screenshot.
    static QString plainText(const MessageBox::Box& box);

private:
    Mode m_mode;
    QStringList m_messages;
    MessageBox::Presenter m_previous;
};

} // namespace Batch
