#include "Program.h"

#include "Platform.h"

Program::Program(const QString& programFolder, Host* host)
    : m_form(m_office, host ? *host : m_widgetHost, programFolder)
{
    m_widgetHost.setOwner(&m_form);
    // The office goes first, so a file being processed stops where it is.
    QObject::connect(&m_form, &Form1::closing, [this] { m_office.shutdown(); });
    m_termination = Platform::onTerminationRequest([this] { m_form.close(); });
}

bool Program::start()
{
    if (!m_form.Form_Load())
        return false;
    m_form.show();
    return true;
}
