#include "BusyCursor.h"

#include <QCursor>
#include <QGuiApplication>

ApplicationBusy::ApplicationBusy()
{
    // Without a GUI (a test or a benchmark) there is no cursor to change.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        m_set = true;
    }
}

ApplicationBusy::~ApplicationBusy()
{
    if (m_set)
        QGuiApplication::restoreOverrideCursor();
}
