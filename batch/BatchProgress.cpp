#include "BatchProgress.h"

#include "Paths.h"
#include "Platform.h"

#include <cstdio>

namespace Batch {

void say(const QString& text)
{
    std::fprintf(stderr, "cellwinnow-batch: %s\n", qPrintable(text));
}

Progress::Progress(int total, bool quiet) : m_total(total), m_quiet(quiet), m_bar(Platform::isTerminal(stderr)) { }

void Progress::started(const QString& path)
{
    m_current = Paths::GetFileName(path);
    draw();
}

void Progress::finished(const QString& path, const Calc1::FileResult& result, bool failed)
{
    ++m_done;
    clear();
    if (failed)
        say("failed: " + inWords(path, result));
    else if (!m_quiet && !m_bar)
        std::fprintf(stderr, "[%d/%d] %s: %lld emptied%s\n", m_done, m_total, qPrintable(path), result.emptiedCount,
                     result.kept ? qPrintable(QString(", %1 kept").arg(result.kept)) : "");
    draw();
}

QString inWords(const QString& path, const Calc1::FileResult& result)
{
    QStringList why;
    for (const Host::Failure& f : result.failures)
        why << f.description;
    const QString words = why.isEmpty() ? QString("no result was stored") : why.join("; ");
    return words.contains(path) ? words : path + ": " + words;
}

void Progress::clear()
{
    if (m_bar && !m_quiet && m_drawn)
        std::fputs("\r\033[K", stderr);
    m_drawn = false;
}

void Progress::draw()
{
    if (!m_bar || m_quiet)
        return;
    // A terminal too narrow to tell of, or to hold the bar, is taken as 80 wide.
    const int columns = Platform::terminalColumns(stderr).value_or(0);
    const int width = columns > 20 ? columns : 80;
    constexpr int BarWidth = 24;
    const int filled = m_total ? BarWidth * m_done / m_total : BarWidth;
    QString line = QString("[%1%2] %3/%4 ")
                       .arg(QString(filled, '#'), QString(BarWidth - filled, '-'))
                       .arg(m_done)
                       .arg(m_total);
    line += m_current.left(qMax(0, width - 1 - int(line.size())));
    std::fprintf(stderr, "\r\033[K%s", qPrintable(line));
    std::fflush(stderr);
    m_drawn = true;
}

} // namespace Batch
