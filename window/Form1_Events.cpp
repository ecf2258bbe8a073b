#include "Form1.h"

#include <QDropEvent>
#include <QEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>

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

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
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
    } else if (type == QEvent::FocusOut && (watched == Text1 || watched == Text2)) {
        // Only leaving for another control of the window counts, not another
        // window or a pop-up menu taking the focus for a while.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // Once the focus has moved on: the box must come after the box's own
        // focus-out handling, which would clear the selection made here.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            QMetaObject::invokeMethod(this, watched == Text1 ? &Form1::Text1_LostFocus : &Form1::Text2_LostFocus,
                                      Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}
