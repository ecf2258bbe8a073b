#include "RoundUndo.h"

namespace Calc1 {

bool RoundUndo::record()
{
    if (!m_step(m_stepNumber, [&] { m_document.keepUndo(true); }))
        return false;
    m_recording = true;
    return true;
}

bool RoundUndo::stopRecording()
{
    if (!m_recording)
        return true;
    m_recording = false;
    return m_step(m_stepNumber, [&] { m_document.keepUndo(false); });
}

bool RoundUndo::startGuessing()
{
    if (!record())
        return false;
    m_firstGuess = m_count + 1;
    return true;
}

bool RoundUndo::takeBackFrom(int first)
{
    if (m_firstGuess == 0 || first < m_firstGuess)
        return false;
    if (!m_step(m_stepNumber, [&] { m_document.takeBack(m_count - first + 1); }))
        return false;
    m_count = first - 1;
    return true;
}

bool RoundUndo::takeBackReading()
{
    return m_step(m_stepNumber, [&] { m_document.takeBack(1); });
}

bool RoundUndo::dropLeft()
{
    if (!m_left.isEmpty() && !takeBackReading())
        return false;
    m_left.clear();
    return true;
}

int RoundUndo::keepLeft()
{
    const int number = m_left.isEmpty() ? 0 : added();
    m_left.clear();
    return number;
}

} // namespace Calc1
