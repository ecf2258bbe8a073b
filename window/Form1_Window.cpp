#include "Form1.h"

#include "ErrorReport.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QScreen>
#include <QTreeView>
#include <QWindow>

const char* const Form1::ContactPage = "https://tamberlin.example/contact/";

void Form1::PushButton6_Click()
{
    StepGuard step(m_host, ErrorReport::location("Form1", "PushButton6_Click"));
    step(100, [&] { m_host.information(QString("Questions? Please contact Team Tamberlin at ") + ContactPage); });
}

// Closing the window ends the program at once, also in the middle of a run:
// the office goes first, so a file being processed stops where it is, and
// whatever is still unwinding shows nothing more.
void Form1::closeEvent(QCloseEvent* event)
{
    m_host.requestQuit();
    emit closing();
    event->accept();
    QCoreApplication::quit();
}

void Form1::showEvent(QShowEvent* event)
{
    if (QWindow* window = windowHandle(); window && window != m_window) {
        window->installEventFilter(this);
        m_window = window;
    }
    if (!m_shownBefore) {
        m_shownBefore = true;
        if (const QScreen* screen = this->screen())
            move(screen->availableGeometry().center() - rect().center());
        ListView1->setFocus();
    }
    QWidget::showEvent(event);
}
