#include "BatchReport.h"

#include "BatchFiles.h"
#include "CsvText.h"
#include "ErrorReport.h"

namespace Batch {

namespace {

QString cellName(const Calc1::CellPlace& p)
{
    return Calc1::cellName(p.column, p.row);
}

QString sheetName(const Calc1::FileResult& o, int sheet)
{
    return o.sheetNames.value(sheet, Calc1::unnamedSheet(sheet));
}

} // namespace

QString whyFailed(const Calc1::FileResult& result)
{
    QStringList why;
    for (const Host::Failure& f : result.failures)
        why << (f.location.isEmpty() ? f.description : ErrorReport::oneLine(f));
    return why.isEmpty() ? QString("no result was stored") : why.join("; ");
}

Report::Report(QFile* file, const Options& options, const QStringList& files)
    : m_file(file), m_options(options), m_files(files)
{
    if (m_file)
        m_file->write(CsvText::line({"file", "sheet", "cell", "text", "first sheet", "first cell", "problem"}));
}

void Report::add(FileResult&& result)
{
    if (!m_file)
        return;
    const QByteArray written = rows(m_files[result.index], result);
    if (result.index != m_written) {
        hold(result.index, written);
        return;
    }
    m_file->write(written);
    for (auto it = m_held.find(++m_written); it != m_held.end(); it = m_held.find(++m_written)) {
        writeHeld(*it);
        m_held.erase(it);
    }
    if (m_held.isEmpty() && m_waiting.isOpen())
        m_waiting.resize(0);
    m_file->flush();
}

void Report::finish()
{
    if (!m_file)
        return;
    // Files never handed out leave gaps that held back later rows.
    for (; m_written < m_files.size(); ++m_written) {
        if (const auto it = m_held.constFind(m_written); it != m_held.cend())
            writeHeld(*it);
        else
            m_file->write(CsvText::line(
                {m_files[m_written], {}, {}, {}, {}, {}, "not processed: the run was stopped"}));
    }
    m_held.clear();
    m_file->flush();
}

void Report::hold(qsizetype index, const QByteArray& rows)
{
    Held held;
    // Unlinked at once: a run killed outright leaves nothing behind.
    if (!m_waiting.isOpen() && m_waiting.open()) {
        QFile::remove(m_waiting.fileName());
        m_waiting.setAutoRemove(false);
    }
    held.offset = m_waiting.size();
    if (m_waiting.isOpen() && m_waiting.seek(held.offset) && m_waiting.write(rows) == rows.size())
        held.size = rows.size();
    else
        held.rows = rows; // no room on disk: kept, whatever it costs
    m_held.insert(index, held);
}

void Report::writeHeld(const Held& held)
{
    if (held.size == 0) {
        m_file->write(held.rows);
        return;
    }
    constexpr qint64 Chunk = 1 << 20;
    m_waiting.seek(held.offset);
    for (qint64 left = held.size; left > 0;) {
        const QByteArray part = m_waiting.read(std::min(left, Chunk));
        if (part.isEmpty())
            break;
        m_file->write(part);
        left -= part.size();
    }
}

QByteArray Report::rows(const QString& path, const FileResult& result) const
{
    QByteArray rows;
    const auto write = [&rows](const QStringList& fields) { rows += CsvText::line(fields); };
    const Calc1::FileResult& o = result.outcome.result;
    const QString extension = formatOf(path, m_options.format).extension;
    // A result that was not stored emptied nothing.
    if (o.done || m_options.dryRun)
        for (const Calc1::EmptiedCell& e : o.emptied)
            write({path, sheetName(o, e.cell.sheet), cellName(e.cell), e.text, sheetName(o, e.first.sheet),
                   cellName(e.first), QString()});
    if (o.done && o.storedAs != extension)
        write({path, {}, {}, {}, {}, {},
               QString("stored as .%1: a .%2 file holds one sheet, and this has %3")
                   .arg(o.storedAs, extension)
                   .arg(o.sheetNames.size())});
    if (o.kept > 0)
        write({path, sheetName(o, o.firstKept->sheet), cellName(*o.firstKept), {}, {}, {},
               Calc1::keptRepeats(o.kept) + "; the first is this one"});
    if (o.unserved > 0)
        write({path, sheetName(o, o.firstUnserved->sheet), cellName(*o.firstUnserved), {}, {}, {},
               Calc1::unservedFormulas(o.unserved) + "; the first is this one"});
    if (result.outcome.failed(!m_options.dryRun))
        write({path, {}, {}, {}, {}, {}, "failed: " + whyFailed(o)});
    return rows;
}

} // namespace Batch
