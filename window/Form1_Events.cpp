#include "Form1.h"

#include <QDropEvent>
#include <QEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeView>
#include <QWheelEvent>
#include <QWindow>

#include <utility>

// A move that a child ignored reaches its parent too; only the control
// actually under the pointer applies its rule.
static bool pointerIsOver(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseMove)
        return true;
    auto* widget = static_cast<QWidget*>(watched);
    const QWidget* under = widget->childAt(static_cast<QMouseEvent*>(event)->position().toPoint());
    return !under || under == widget;
}

// Which control a press at `at` gives the focus to, found as the application
// finds it: the first enabled control under the pointer, or around it, that
// takes the focus that way; none when the search meets the focused one first.
QWidget* Form1::focusTakerAt(QPoint at, Qt::FocusPolicy policy) const
{
    for (QWidget* w = childAt(at); w && w != this; w = w->parentWidget()) {
        QWidget* target = w;
        while (target->focusProxy())
            target = target->focusProxy();
        if (w->isEnabled() && (w->focusPolicy() & policy) == policy && (target->focusPolicy() & policy) == policy)
            return target;
        if (target == focusWidget())
            return nullptr;
    }
    return nullptr;
}

// The row and column boxes are checked before a press (or a wheel turn) takes
// the focus from them, so that a refused text keeps the focus and the press
// does nothing. The focus moves before any control sees the press, so this
// watches the window itself.
bool Form1::checkBeforeLeaving(QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonRelease)
        return std::exchange(m_swallowRelease, false);
    const bool wheel = type == QEvent::Wheel;
    if (!wheel && type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick)
        return false;
    m_swallowRelease = false;
    auto* box = qobject_cast<QLineEdit*>(focusWidget());
    if (box != Text1 && box != Text2)
        return false;
    const QPointF at
        = wheel ? static_cast<QWheelEvent*>(event)->position() : static_cast<QMouseEvent*>(event)->position();
    QWidget* taker = focusTakerAt(at.toPoint(), wheel ? Qt::WheelFocus : Qt::ClickFocus);
    if (!taker || taker == box || validate(box))
        return false;
    m_swallowRelease = !wheel;
    return true;
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window)
        return checkBeforeLeaving(event);
    const QEvent::Type type = event->type();
    if ((type == QEvent::MouseMove || type == QEvent::Enter) && pointerIsOver(watched, event)) {
        if (qobject_cast<QPushButton*>(watched))
            handPointerRule();
        else if (watched != ListView1)
            defaultPointerRule();
    }
    if (watched == ListView1->viewport()) {
        switch (type) {
        case QEvent::MouseButtonPress:
            ListView1_MouseDown(static_cast<QMouseEvent*>(event)->position().toPoint());
            break;
        case QEvent::MouseMove: ListView1_MouseMove(static_cast<QMouseEvent*>(event)->position().toPoint()); break;
        case QEvent::MouseButtonRelease: ListView1_MouseUp(); break;
        case QEvent::MouseButtonDblClick: ListView1_DblClick(); return true;
        case QEvent::DragEnter:
        case QEvent::DragMove: return ListView1_OLEDragOver(static_cast<QDragMoveEvent*>(event));
        case QEvent::Drop: ListView1_OLEDragDrop(static_cast<QDropEvent*>(event)); return true;
        default: break;
        }
    } else if (watched == ListView1 && type == QEvent::KeyPress) {
        ListView1_KeyDown(static_cast<QKeyEvent*>(event)->key());
    } else if (type == QEvent::KeyPress && (watched == Text1 || watched == Text2)) {
        // Tab leaves the box only with a text it takes.
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool tab = (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
            && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (tab && !validate(static_cast<QLineEdit*>(watched)))
            return true;
    } else if (type == QEvent::FocusOut && (watched == Text1 || watched == Text2)) {
        // Only leaving for another control of the window counts, not another
        // window or a pop-up menu taking the focus for a while. Tab and presses
        // were checked before the focus moved; any other way out is checked
        // once the focus has moved on: the box must come after the box's own
        // focus-out handling, which would clear the selection made here.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            QMetaObject::invokeMethod(this, watched == Text1 ? &Form1::Text1_LostFocus : &Form1::Text2_LostFocus,
                                      Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}
