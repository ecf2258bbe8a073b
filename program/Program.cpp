#include "Program.h"

#include "Platform.h"

Program::Program(const QString& programFolder, Host* host)
    : m_host(host ? *host : m_widgetHost), m_form(m_run, m_host, programFolder)
{
    m_widgetHost.setOwner(&m_form);
    // The office goes first, so a file being processed stops where it is.
    QObject::connect(&m_form, &Form1::closing, [this] { m_run.shutdown(); });
    // The host's quitting is set at once, and a call the office keeps waiting
    // on is ended, so the engine lets the window close without finishing the file.
    m_termination = Platform::onTerminationRequest([this](int) { m_form.close(); },
                                                   [this](int) {
                                                       m_host.requestQuit();
                                                       m_run.abort();
                                                   });
}

// The window stays alive through a long call, and no document takes more
// than its share of the machine's memory.
OfficeConnection::Options Program::officeOptions()
{
    OfficeConnection::Options options;
    options.letEventsIn = true;
    options.memoryCapMb = Run::defaultOfficeMemoryMb(1);
    return options;
}

bool Program::start()
{
    if (!m_form.Form_Load())
        return false;
    m_form.show();
    return true;
}
