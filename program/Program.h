#pragma once
// The program's wiring: its own office, the window, the host that shows the
// window's boxes, and how it ends (the window closed, or the system asking).

#include "Form1.h"
#include "OfficeConnection.h"
#include "WidgetHost.h"

#include <QString>

#include <memory>

class Program {
public:
    /// programFolder holds the shipped files; host shows the boxes (the
    /// window's own when none is given).
    explicit Program(const QString& programFolder, Host* host = nullptr);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    /// The start-up order, then the window is shown; false when the program
    /// must end instead.
    bool start();

    Form1& window() { return m_form; }
    OfficeConnection& office() { return m_office; }

private:
    static OfficeConnection::Options officeOptions();

    OfficeConnection m_office{officeOptions()};
    Run::Service m_run{m_office};
    WidgetHost m_widgetHost;
    Host& m_host;
    Form1 m_form;
    std::unique_ptr<QObject> m_termination;
};
