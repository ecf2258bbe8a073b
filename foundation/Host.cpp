#include "Host.h"

#include <QCoreApplication>

#include <cstdio>

void Host::reportError(const QString& text)
{
    show({Exclamation, QStringLiteral("Application Error"), text, Ok, Ok});
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
    std::fprintf(stderr, "%s: %s\n", qPrintable(box.title), qPrintable(box.text));
    return box.defaultButton;
}
