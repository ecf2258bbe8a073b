#pragma once
// The rounds' emptyings as the office's undo steps. They are counted from 1;
// the office records them, so that they can be taken back, only from the
// first guess on, since those before it can never turn out wrong. A check
// records while it reads, and its last reading may leave its guesses emptied,
// in a step of their own, for the walk after it. Internal to the engine.

#include "ErrorReport.h"
#include "Office.h"

#include <QList>

namespace Calc1 {

class RoundUndo {
public:
    RoundUndo(StepGuard& step, office::Document& document, int stepNumber)
        : m_step(step), m_document(document), m_stepNumber(stepNumber)
    {
    }

    /// The emptyings in place.
    int count() const { return m_count; }
    /// An emptying was made; gives its number.
    int added() { return ++m_count; }

    /// Whether the office records the emptyings.
    bool recording() const { return m_recording; }
    /// The office records from now on.
    bool record();
    /// The office records no more.
    bool stopRecording();
    /// The office records from now on, and the emptyings from the next on
    /// can be taken back.
    bool startGuessing();
    /// The first emptying that can be taken back; 0: none.
    int firstGuess() const { return m_firstGuess; }

    /// Takes back the emptyings from `first` on; false when they cannot be.
    bool takeBackFrom(int first);
    /// Takes back the office's last step, a check's reading of one colour.
    bool takeBackReading();

    /// The items a check's last reading left emptied.
    const QList<qsizetype>& left() const { return m_left; }
    void leave(QList<qsizetype> items) { m_left = std::move(items); }
    /// Takes back what the check left emptied.
    bool dropLeft();
    /// What the check left emptied stays, as an emptying of its own; gives
    /// its number (0: nothing was left).
    int keepLeft();

private:
    StepGuard& m_step;
    office::Document& m_document;
    const int m_stepNumber;
    int m_count = 0;
    bool m_recording = false;
    int m_firstGuess = 0;
    QList<qsizetype> m_left;
};

} // namespace Calc1
