#include "Form1.h"

#include "CursorFile.h"
#include "ErrorReport.h"
#include "ShippedFiles.h"

#include <QTreeView>

void Form1::removeSelectedRow()
{
    const QModelIndexList selected = ListView1->selectionModel()->selectedRows();
    if (!selected.isEmpty())
        m_files.removeRow(selected.first().row());
}

void Form1::ListView1_KeyDown(int key)
{
    if (key == Qt::Key_Delete && !busy())
        removeSelectedRow();
}

void Form1::ListView1_DblClick()
{
    if (!busy())
        removeSelectedRow();
}

void Form1::PushButton5_Click()
{
    StepGuard step(m_host, ErrorReport::location("Form1", "PushButton5_Click"));
    if (!busy())
        step(100, [&] { m_files.clear(); });
}

// Rows move by exchanging texts as the pointer passes over them with the button
// held. The row to drag is the one pressed on: the list reports a click only
// when the button is released.
void Form1::ListView1_MouseDown(const QPoint& position)
{
    m_buttonHeld = true;
    const QModelIndex row = ListView1->indexAt(position);
    if (!row.isValid())
        return;
    m_draggedRow = row;
    try {
        ListView1->viewport()->setCursor(CursorFile::load(m_programFolder + '/' + ShippedFiles::DragImage));
    } catch (const std::exception&) {
        // Without its image the list keeps its ordinary pointer.
    }
}

void Form1::ListView1_MouseMove(const QPoint& position)
{
    if (!m_buttonHeld)
        return;
    const QModelIndex hovered = ListView1->indexAt(position);
    // A dragged row removed since is simply forgotten.
    if (!hovered.isValid() || !m_draggedRow.isValid()
        || m_files.rowText(hovered.row()) == m_files.rowText(m_draggedRow.row()))
        return;
    m_files.exchange(m_draggedRow.row(), hovered.row());
    ListView1->setCurrentIndex(hovered);
    m_draggedRow = hovered;

    // Near the top or bottom of the screen the list scrolls one row on.
    const int screenY = QCursor::pos().y();
    const int index = hovered.row();
    if (screenY < 305) {
        if (index >= 1)
            ListView1->scrollTo(m_files.index(index - 1));
    } else if (screenY >= 365) {
        if (index + 1 < m_files.count())
            ListView1->scrollTo(m_files.index(index + 1));
    }
}

void Form1::ListView1_MouseUp()
{
    m_buttonHeld = false;
    ListView1->viewport()->setCursor(Qt::ArrowCursor);
}
