#pragma once
// Answers the program's boxes in tests. Each box takes the next queued answer;
// a box with no answer queued fails the running test and gets its default
// button, so no test ever waits on a box.

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

    QList<MessageBox::Box> shown;
    QList<InputBox::Request> asked;
    QStringList texts() const;
    /// Answers queued that no box took.
    int unused() const { return int(m_answers.size() + m_inputs.size()); }

private:
    QList<MessageBox::Button> m_answers;
    QStringList m_inputs;
    MessageBox::Presenter m_previous;
    InputBox::Presenter m_previousInput;
};
