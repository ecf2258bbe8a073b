#include "Form1.h"

void Form1::setMousePointer(Pointer pointer)
{
    m_pointer = pointer;
    switch (pointer) {
    case Pointer::Default: unsetCursor(); break;
    case Pointer::Hourglass: setCursor(Qt::WaitCursor); break;
    // Without a hand image the custom pointer is the ordinary one.
    case Pointer::Custom: setCursor(m_hasCustomCursor ? m_customCursor : QCursor(Qt::ArrowCursor)); break;
    }
}

void Form1::defaultPointerRule()
{
    if (!busy())
        setMousePointer(Pointer::Default);
}

void Form1::handPointerRule()
{
    if (!busy())
        setMousePointer(Pointer::Custom);
}
