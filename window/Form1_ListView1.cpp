#include "Form1.h"

#include "CursorFile.h"
#include "ErrorReport.h"
#include "FileList.h"

#include <QTreeWidget>

void Form1::ListView1_KeyDown(int key)
{
    if (key == Qt::Key_Delete && !busy())
        FileList::RemoveSelectedRow(ListView1);
}

void Form1::ListView1_DblClick()
{
    if (!busy())
        FileList::RemoveSelectedRow(ListView1);
}

void Form1::PushButton5_Click()
{
    StepGuard step(m_host, ErrorReport::location("Form1", "PushButton5_Click"));
    if (!busy())
        step(100, [&] { FileList::Clear(ListView1); });
}

// Rows move by exchanging texts as the pointer passes over them with the button
// held. The row to drag is the one pressed on: the list reports a click only
// when the button is released.
void Form1::ListView1_MouseDown(const QPoint& position)
{
    m_buttonHeld = true;
    QTreeWidgetItem* item = ListView1->itemAt(position);
    if (!item)
        return;
    m_draggedRow = ListView1->indexFromItem(item);
    try {
        ListView1->viewport()->setCursor(CursorFile::load(m_programFolder + "/drag.ico"));
    } catch (const std::exception&) {
        // Without its image the list keeps its ordinary pointer.
    }
}

void Form1::ListView1_MouseMove(const QPoint& position)
{
    if (!m_buttonHeld)
        return;
    QTreeWidgetItem* hovered = ListView1->itemAt(position);
    // A dragged row removed since is simply forgotten.
    QTreeWidgetItem* dragged = m_draggedRow.isValid() ? ListView1->itemFromIndex(m_draggedRow) : nullptr;
    if (!hovered || !dragged || hovered->text(0) == dragged->text(0))
        return;
    const QString remembered = dragged->text(0);
    dragged->setText(0, hovered->text(0));
    hovered->setText(0, remembered);
    ListView1->setCurrentItem(hovered);
    m_draggedRow = ListView1->indexFromItem(hovered);

    // Near the top or bottom of the screen the list scrolls one row on.
    const int screenY = QCursor::pos().y();
    const int index = ListView1->indexOfTopLevelItem(hovered);
    if (screenY < 305) {
        if (index >= 1)
            ListView1->scrollToItem(ListView1->topLevelItem(index - 1));
    } else if (screenY >= 365) {
        if (QTreeWidgetItem* below = ListView1->topLevelItem(index + 1))
            ListView1->scrollToItem(below);
    }
}

void Form1::ListView1_MouseUp()
{
    m_buttonHeld = false;
    ListView1->viewport()->setCursor(Qt::ArrowCursor);
}
