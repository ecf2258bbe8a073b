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
    write({"file", "sheet", "cell", "text", "first sheet", "first cell", "problem"});
}

void Report::add(FileResult&& result)
{
    if (!m_file)
        return;
    m_waiting.insert(result.index, std::move(result));
    for (auto it = m_waiting.find(m_written); it != m_waiting.end(); it = m_waiting.find(m_written)) {
        write(m_files[m_written], *it);
        m_waiting.erase(it);
        ++m_written;
    }
    m_file->flush();
}

void Report::finish()
{
    if (!m_file)
        return;
    // Files never handed out leave gaps that held back later rows.
    for (; m_written < m_files.size(); ++m_written) {
        const QString& path = m_files[m_written];
        if (const auto it = m_waiting.constFind(m_written); it != m_waiting.cend())
            write(path, *it);
        else
            write({path, {}, {}, {}, {}, {}, "not processed: the run was stopped"});
    }
    m_file->flush();
}

void Report::write(const QString& path, const FileResult& result)
{
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
}

void Report::write(const QStringList& fields)
{
    if (m_file)
        m_file->write(CsvText::line(fields));
}

} // namespace Batch
