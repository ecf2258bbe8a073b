#include "Host.h"

#include "ErrorReport.h"

#include <QCoreApplication>

#include <cstdio>

void Host::reportError(const Failure& failure)
{
    show({Exclamation, QStringLiteral("Application Error"), ErrorReport::text(failure), Ok, Ok});
}

void Host::open(const QString&) { }

void Host::setBusy(bool) { }

void Host::letEventsIn()
{
    QCoreApplication::processEvents();
}

Host::Button Host::show(const Box& box)
{
    return m_quitting ? box.defaultButton : present(box);
}

void Host::information(const QString& text)
{
    show({NoIcon, m_title, text, Ok, Ok});
}

Host::Button Host::question(const QString& text)
{
    return show({NoIcon, m_title, text, Yes | No, Yes});
}

QString Host::ask(const QString& prompt, const QString& preset)
{
    return askText({m_title, prompt, preset});
}

Host::Button ConsoleHost::present(const Box& box)
{
    say(box.text);
    return box.defaultButton;
}

void ConsoleHost::reportError(const Failure& failure)
{
    say(ErrorReport::oneLine(failure));
}

void ConsoleHost::say(const QString& text) const
{
    QString line = text;
    line.replace('\r', ' ').replace('\n', ' ');
    std::fprintf(stderr, "%s%s\n", qPrintable(m_program.isEmpty() ? m_program : m_program + ": "),
                 qPrintable(line.simplified()));
}
