#include "BusyCursor.h"

#include <QCursor>
#include <QGuiApplication>

static int g_depth = 0;

ApplicationBusy::ApplicationBusy()
{
    ++g_depth;
    // Without a GUI (a test or a benchmark) there is no cursor to change.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        m_set = true;
    }
}

ApplicationBusy::~ApplicationBusy()
{
    --g_depth;
    if (m_set)
        QGuiApplication::restoreOverrideCursor();
}

bool ApplicationBusy::active()
{
    return g_depth > 0;
}
