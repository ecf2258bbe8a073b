// Times DoItByFile (without its pause after loading) against the time the same
// office takes to load and store the workbook unchanged, and reports memory.
//
//   bench_engine [sheets] [filled cells per sheet] [columns]
//   bench_engine formulas    (3 x 20,000 cells, a fifth of them formulas over other cells)
//   bench_engine rows        (3 x 20,000 cells, half the rows copies of earlier rows)
//   bench_engine sheets [N]  (N sheets of 100 cells, 10,000 by default)
//   bench_engine bomb [rows] (rows x 1,000 cells of a few distinct texts, 10,000 rows by default)
//   bench_engine sparse      (a sheet holding A1 and Z100000, beside one holding A1 and B1)
//   bench_engine ledger [sheets] [rows]  (ledgers over a table of budgets: a running balance,
//                            shares of it, lookups, sums per category; 3 x 2,000 rows by default)
//   bench_engine same [rows] (rows x 1,000 cells all holding one text, 4,000 rows by default)
//   bench_engine cycle [N]   (N sheets of one row of 100 cells cycling through 7 texts, 2,000 by default)
//   bench_engine file PATH   (a workbook of one's own, such as one that bench_batch keeps)
//
// CW_BENCH_CALLS=1 prints what DoItByFile's office calls cost, by kind; 2 also each call, in order.
//
// CW_BENCH_LIST=1 lists every emptied cell, as the batch command does for its report.
//
// CW_BENCH_KEEP=PATH keeps a copy of the workbook made by sheets, bomb, same or cycle.
//
// CW_BENCH_FLOOR=1 also times the least any way of working through the office
// can cost: open, the cells DoItByFile emptied emptied in one go, every
// sheet's formulas read once, store.

#include "Calc1.h"
#include "OfficeConnection.h"
#include "Platform.h"
#include "SheetFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>
#include <ctime>
#include <functional>

#include <unistd.h>

namespace {

struct Settings : JobSettings {
    QString folder;
    bool isSelected(Scope s) const override { return s == Scope::EntireSheet; }
    QString rowText() const override { return "1"; }
    QString columnText() const override { return "A"; }
    QString resultsFolder() const override { return folder; }
};

// About half of all cells repeat a text met earlier. With formulas, every
// fifth cell sums or refers to cells before it, some of them repeats.
QList<QList<QStringList>> workbook(int sheets, int cellsPerSheet, int columns, bool formulas = false)
{
    const int total = sheets * cellsPerSheet;
    QStringList texts;
    texts.reserve(total);
    for (int k = 0; k < total / 2; ++k)
        texts << (formulas && k % 3 == 0 ? QString::number(k % 97) : QString("item %1").arg(k));
    QRandomGenerator random(20210831);
    while (texts.size() < total)
        texts << texts[random.bounded(total / 2)];
    std::shuffle(texts.begin(), texts.end(), random);
    QList<QList<QStringList>> book(sheets);
    for (int k = 0; k < total; ++k) {
        auto& rows = book[k / cellsPerSheet];
        const int cell = k % cellsPerSheet;
        if (cell % columns == 0)
            rows << QStringList();
        const int row = cell / columns;
        QString text = texts[k];
        if (formulas && row > 0 && random.bounded(5) == 0) {
            const QString column = Calc1::getColumnLetters(random.bounded(columns) + 1);
            text = random.bounded(2) ? QString("=%1%2").arg(column).arg(random.bounded(row) + 1)
                                     : QString("=SUM(%1%2:%1%3)").arg(column).arg(std::max(1, row - 3)).arg(row);
        }
        rows.last() << text;
    }
    return book;
}

// A table where half the rows repeat an earlier row whole: each cell of such a
// row is a repeat, and the repeats lie in whole rows.
QList<QList<QStringList>> copiedRows(int sheets, int rows, int columns)
{
    QRandomGenerator random(20210901);
    QList<QStringList> all;
    for (int r = 0; r < sheets * rows; ++r) {
        if (r > 0 && random.bounded(2) == 0) {
            all << all[random.bounded(r)];
            continue;
        }
        QStringList row;
        for (int c = 0; c < columns; ++c)
            row << QString("r%1 c%2").arg(r).arg(c);
        all << row;
    }
    QList<QList<QStringList>> book;
    for (int s = 0; s < sheets; ++s)
        book << all.mid(s * rows, rows);
    return book;
}

// Ledgers as people keep them: a sheet of budgets by category (a key may
// stand twice; a lookup takes the first), then a sheet of entries a month
// whose dates, categories, descriptions and amounts repeat, with a running
// total from the month's opening balance, each entry's share of it, the
// category's budget looked up, and a sum per category below. Texts as typed:
// "=..." a formula, "12.5" a number.
QList<QList<QStringList>> ledgers(int sheets, int rows)
{
    QRandomGenerator random(20240105);
    const QStringList categories = {"Food",   "Rent",  "Travel", "Office", "Phone",  "Repairs",
                                    "Energy", "Taxes", "Books",  "Fees",   "Salary", "Insurance"};
    QList<QList<QStringList>> book;
    QList<QStringList> budgets{{"Category", "Budget"}};
    for (int k = 0; k < 20; ++k)
        budgets << QStringList{categories[k % categories.size()], QString::number(100 * (1 + random.bounded(30)))};
    book << budgets;
    const QString table = QString("$Sheet1.$A$2:$B$%1").arg(budgets.size());
    for (int s = 0; s < sheets; ++s) {
        const QString month = QString("2024-%1-").arg(s % 12 + 1, 2, 10, QChar('0'));
        QList<QStringList> sheet{{"Date", "Category", "Description", "Amount", "Balance", "Share", "Budget"},
                                 {month + "01", "Opening balance", "", "", QString::number(5000 + 250 * s)}};
        const int last = rows + 2;
        for (int r = 3; r <= last; ++r) {
            const QString category = categories[random.bounded(int(categories.size()))];
            const int day = (r - 3) / 5;
            sheet << QStringList{month + QString("%1").arg(day % 28 + 1, 2, 10, QChar('0')),
                                 category,
                                 QString("%1 %2").arg(category).arg(1 + random.bounded(6)),
                                 QString::number(random.bounded(400) / 4.0 + 1),
                                 QString("=E%1+D%2").arg(r - 1).arg(r),
                                 QString("=TEXT(D%1/E%1;\"0.0%\")").arg(r),
                                 QString("=VLOOKUP(B%1;%2;2;0)").arg(r).arg(table)};
        }
        sheet << QStringList();
        for (const QString& category : categories)
            sheet << QStringList{"Total " + category,
                                 QString("=SUMIF(B$3:B$%1;\"%2\";D$3:D$%1)").arg(last).arg(category)};
        book << sheet;
    }
    return book;
}

// A flat document written directly: the office would take minutes to make
// ten thousand sheets through its API. Each row stands for `repeatedRows`
// rows and each cell for `repeatedColumns` cells, as a file says so.
void writeFlat(const QString& path, int sheets, int rows, int columns, int repeatedRows, int repeatedColumns,
               const std::function<QByteArray(int sheet, int row, int column)>& text)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet"><office:body><office:spreadsheet>)");
    for (int s = 0; s < sheets; ++s) {
        QByteArray sheet = "<table:table table:name=\"S" + QByteArray::number(s + 1) + "\">";
        for (int r = 0; r < rows; ++r) {
            sheet += "<table:table-row";
            if (repeatedRows > 1)
                sheet += " table:number-rows-repeated=\"" + QByteArray::number(repeatedRows) + "\"";
            sheet += ">";
            for (int c = 0; c < columns; ++c) {
                sheet += "<table:table-cell";
                if (repeatedColumns > 1)
                    sheet += " table:number-columns-repeated=\"" + QByteArray::number(repeatedColumns) + "\"";
                sheet += " office:value-type=\"string\"><text:p>" + text(s, r, c) + "</text:p></table:table-cell>";
            }
            sheet += "</table:table-row>";
        }
        file.write(sheet + "</table:table>");
    }
    file.write("</office:spreadsheet></office:body></office:document>\n");
}

qint64 memoryKiB(const char* field, qint64 pid = 0)
{
    QFile status(pid ? QString("/proc/%1/status").arg(pid) : QString("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLong();
    return -1;
}

// The process's peak from here on (this program's by default), not that of
// making the workbook or of what came before.
void resetPeak(qint64 pid = 0)
{
    QFile clear(pid ? QString("/proc/%1/clear_refs").arg(pid) : QString("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// CPU time the office has used, in seconds (threads that ended included):
// steadier than wall time on a machine shared with other work.
double officeCpuSeconds(qint64 pid)
{
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    // The fields after the command's name, which is in parentheses and may hold spaces.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / sysconf(_SC_CLK_TCK);
}

// With CW_BENCH_CALLS=1: what DoItByFile's office calls cost, by kind.
class TimedDocument : public office::Document {
public:
    TimedDocument(std::shared_ptr<office::Document> d, QMap<QString, QPair<int, double>>& t) : m_d(std::move(d)), m_t(t)
    {
    }
    template <typename F> auto timed(const char* name, F f, qsizetype size = 0)
    {
        QElapsedTimer timer;
        timer.start();
        struct Add {
            QPair<int, double>& p;
            QElapsedTimer& t;
            const char* name;
            qsizetype size;
            ~Add()
            {
                ++p.first, p.second += t.nsecsElapsed() / 1e6;
                if (qEnvironmentVariableIntValue("CW_BENCH_CALLS") == 2)
                    std::printf("    %-24s %7lld %8.1f ms\n", name, qlonglong(size), t.nsecsElapsed() / 1e6);
            }
        } add{m_t[name], timer, name, size};
        return f();
    }
    int sheetCount() override
    {
        return timed("sheetCount", [&] { return m_d->sheetCount(); });
    }
    QString sheetName(int i) override
    {
        return timed("sheetName", [&] { return m_d->sheetName(i); });
    }
    void readCells(int s, const office::RangeAddress& a,
                   const std::function<bool(const office::ShownCell&)>& c) override
    {
        timed("readCells", [&] { m_d->readCells(s, a, c); });
    }
    QString shownText(int s, int c, int r) override
    {
        return timed("shownText", [&] { return m_d->shownText(s, c, r); });
    }
    QStringList shownTexts(int s, const QList<office::CellAt>& c) override
    {
        return timed(
            c.size() > 1 ? "shownTexts (bulk)" : "shownTexts (one)", [&] { return m_d->shownTexts(s, c); }, c.size());
    }
    std::optional<QList<office::FormulaText>> formulas(int s) override
    {
        return timed("formulas", [&] { return m_d->formulas(s); });
    }
    QList<office::RangeAddress> emptyRanges(const QList<office::RangeAddress>& r,
                                            const QList<office::RangeAddress>& a) override
    {
        return timed(
            m_undo ? "emptyRanges (undo kept)" : "emptyRanges", [&] { return m_d->emptyRanges(r, a); },
            r.size() + a.size());
    }
    void keepUndo(bool k) override
    {
        m_undo = k;
        timed("keepUndo", [&] { m_d->keepUndo(k); });
    }
    void holdRows(bool h) override
    {
        timed("holdRows", [&] { m_d->holdRows(h); });
    }
    void takeBack(int n) override
    {
        timed("takeBack", [&] { m_d->takeBack(n); }, n);
    }
    void markRanges(const QList<office::RangeAddress>& r, quint32 colour) override
    {
        timed("markRanges", [&] { m_d->markRanges(r, colour); }, r.size());
    }
    void store(const QString& u, const office::PropertyValues& p) override
    {
        timed("store", [&] { m_d->store(u, p); });
    }
    void close() override
    {
        timed("close", [&] { m_d->close(); });
    }

private:
    std::shared_ptr<office::Document> m_d;
    QMap<QString, QPair<int, double>>& m_t;
    bool m_undo = false;
};
class TimedOffice : public office::Office {
public:
    explicit TimedOffice(office::Office& o) : m_o(o) { }
    void start() override { m_o.start(); }
    std::shared_ptr<office::Document> open(const QString& url) override
    {
        QElapsedTimer t;
        t.start();
        auto d = std::make_shared<TimedDocument>(m_o.open(url), calls);
        calls["open"].first++, calls["open"].second += t.nsecsElapsed() / 1e6;
        return d;
    }
    void restart() override { m_o.restart(); }
    void shutdown() override { m_o.shutdown(); }
    void abort() override { m_o.abort(); }
    qint64 residentBytes() const override { return m_o.residentBytes(); }
    int starts() const override { return m_o.starts(); }
    QMap<QString, QPair<int, double>> calls;

private:
    office::Office& m_o;
};

struct Timing {
    double plain = 0, engine = 0;
    double plainCpu = 0, engineCpu = 0;
    double ownCpu = 0; // this program's, while processing
    // Of each run's pair, taken one after the other: the machine's speed
    // drifts over seconds, so a pair is compared within itself.
    double ratio = 0, cpuRatio = 0;
    qlonglong distinct = 0;
    qint64 peakKiB = 0;
    qint64 officePlainKiB = 0, officeEngineKiB = 0;
    QList<Calc1::SheetReading> readings;
    double floor = 0;
};

// Open, the final emptyings at once without undo, each sheet's formulas read
// once, store: what the office's own work for the result costs.
double floorSeconds(OfficeConnection& office, const QString& input, const QString& output)
{
    Settings settings;
    QTemporaryDir first;
    settings.folder = first.path();
    SeenTexts seen;
    ConsoleHost host;
    const Calc1::FileResult result = Calc1::DoItByFile(input, seen, {office, settings, host, 0, true});
    QElapsedTimer timer;
    timer.start();
    const auto document = office.open(QUrl::fromLocalFile(input).toString());
    document->keepUndo(false);
    QMap<int, QList<office::CellAt>> formulas;
    const int sheets = document->sheetCount();
    for (int s = 0; s < sheets; ++s)
        document->readCells(s, {s, 0, 0, office::AnyColumn - 1, office::AnyRow - 1}, [&](const office::ShownCell& c) {
            if (c.formula)
                formulas[s] << office::CellAt{c.column, c.row};
            return true;
        });
    QList<office::RangeAddress> ranges;
    for (const Calc1::EmptiedCell& e : result.emptied) {
        ranges << office::RangeAddress{e.cell.sheet, e.cell.column, e.cell.row, e.cell.column, e.cell.row};
        formulas[e.cell.sheet].removeOne(office::CellAt{e.cell.column, e.cell.row});
    }
    const double opened = timer.nsecsElapsed() / 1e9;
    document->emptyRanges(ranges, {});
    const double emptied = timer.nsecsElapsed() / 1e9;
    for (auto it = formulas.cbegin(); it != formulas.cend(); ++it)
        document->shownTexts(it.key(), it.value());
    const double read = timer.nsecsElapsed() / 1e9;
    document->store(QUrl::fromLocalFile(output).toString(), {{"FilterName", "calc8"}});
    std::printf("floor: open and read %.3f s, %lld emptied in %.3f s, read %.3f s, stored %.3f s\n", opened,
                qlonglong(ranges.size()), emptied - opened, read - emptied, timer.nsecsElapsed() / 1e9 - read);
    document->close();
    return timer.nsecsElapsed() / 1e9;
}

Timing measureOnce(OfficeConnection& office, SheetFixture& fixture, const QString& input)
{
    QTemporaryDir out;
    QElapsedTimer timer;
    office.start(); // started before anything is timed
    resetPeak(office.processId());
    double cpu = officeCpuSeconds(office.processId());
    timer.start();
    fixture.loadAndStore(input, out.filePath("plain.ods"));
    Timing t;
    t.plain = timer.nsecsElapsed() / 1e9;
    t.plainCpu = officeCpuSeconds(office.processId()) - cpu;
    t.officePlainKiB = memoryKiB("VmHWM:", office.processId());
    Settings settings;
    settings.folder = out.path();
    SeenTexts seen;
    ConsoleHost host;
    resetPeak();
    resetPeak(office.processId());
    cpu = officeCpuSeconds(office.processId());
    const std::clock_t ownCpu = std::clock();
    timer.restart();
    // As the batch command asks for its report, when asked.
    const bool list = qEnvironmentVariableIntValue("CW_BENCH_LIST") == 1;
    TimedOffice timedOffice(office);
    const bool calls = qEnvironmentVariableIntValue("CW_BENCH_CALLS") >= 1;
    t.readings = Calc1::DoItByFile(
                     input, seen, {calls ? static_cast<office::Office&>(timedOffice) : office, settings, host, 0, list})
                     .readings;
    for (auto it = timedOffice.calls.cbegin(); it != timedOffice.calls.cend(); ++it)
        std::printf("  %-24s %5d calls %9.1f ms\n", qPrintable(it.key()), it.value().first, it.value().second);
    t.engine = timer.nsecsElapsed() / 1e9;
    t.ownCpu = double(std::clock() - ownCpu) / CLOCKS_PER_SEC;
    t.engineCpu = officeCpuSeconds(office.processId()) - cpu;
    t.peakKiB = memoryKiB("VmHWM:");
    t.officeEngineKiB = memoryKiB("VmHWM:", office.processId());
    t.distinct = seen.size();
    t.ratio = t.engine / t.plain;
    t.cpuRatio = t.engineCpu / t.plainCpu;
    if (!QFile::exists(out.filePath(QFileInfo(input).fileName())))
        std::printf("NO RESULT WRITTEN\n");
    if (qEnvironmentVariableIntValue("CW_BENCH_FLOOR") == 1)
        t.floor = floorSeconds(office, input, out.filePath("floor.ods"));
    return t;
}

// Two cores shared with the office make single runs noisy: the median of
// several, side by side (CW_BENCH_RUNS, 5 by default; one run of a huge workbook).
Timing measure(OfficeConnection& office, SheetFixture& fixture, const QString& input, int runs = 3)
{
    QList<Timing> all;
    for (int i = 0; i < runs; ++i)
        all << measureOnce(office, fixture, input);
    auto median = [&](auto member) {
        QList<double> values;
        for (const Timing& t : all)
            values << t.*member;
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    qint64 peak = 0, officePlain = 0, officeEngine = 0;
    for (const Timing& t : all) {
        peak = std::max(peak, t.peakKiB);
        officePlain = std::max(officePlain, t.officePlainKiB);
        officeEngine = std::max(officeEngine, t.officeEngineKiB);
    }
    Timing t;
    t.plain = median(&Timing::plain);
    t.engine = median(&Timing::engine);
    t.plainCpu = median(&Timing::plainCpu);
    t.engineCpu = median(&Timing::engineCpu);
    t.ownCpu = median(&Timing::ownCpu);
    t.ratio = median(&Timing::ratio);
    t.floor = median(&Timing::floor);
    t.cpuRatio = median(&Timing::cpuRatio);
    t.distinct = all[0].distinct;
    t.readings = all[0].readings;
    t.peakKiB = peak;
    t.officePlainKiB = officePlain;
    t.officeEngineKiB = officeEngine;
    return t;
}

void print(const Timing& t, int runs)
{
    std::printf("office load + store unchanged: %8.3f s\n", t.plain);
    std::printf("DoItByFile without the pause:   %8.3f s\n", t.engine);
    std::printf(
        "ratio:                          %8.2f   (%s)\n", t.ratio,
        qPrintable(runs == 1 ? QString("one run") : QString("medians of %1 runs, ratio of each run").arg(runs)));
    if (t.floor > 0)
        std::printf("the office's floor:             %8.3f s (the result's emptyings in one go, formulas read once; "
                    "ratio %.2f)\n",
                    t.floor, t.floor / t.plain);
    std::printf("office CPU, unchanged / engine: %8.3f s / %.3f s (ratio %.2f)\n", t.plainCpu, t.engineCpu, t.cpuRatio);
    std::printf("program CPU while processing:   %8.3f s\n", t.ownCpu);
    std::printf("distinct texts:                 %8lld\n", t.distinct);
    std::printf("program peak memory:            %8.1f MB (while processing)\n", t.peakKiB / 1024.0);
    std::printf("office peak memory:             %8.1f MB load + store, %.1f MB DoItByFile\n",
                t.officePlainKiB / 1024.0, t.officeEngineKiB / 1024.0);
    // Which way each sheet took (of the first run; at most a few sheets named).
    QMap<QString, int> ways;
    for (const Calc1::SheetReading& r : t.readings)
        ++ways[r.way];
    for (auto it = ways.cbegin(); it != ways.cend(); ++it)
        std::printf("sheets read %-26s %6d\n", qPrintable(it.key() + ':'), it.value());
    for (const Calc1::SheetReading& r : t.readings.mid(0, 8))
        if (r.way != "in bulk")
            std::printf("  sheet %d: %s, %d round(s), %d bulk reading(s) of %lld cell(s) (%d under guesses), %lld "
                        "single reading(s)\n",
                        r.sheet + 1, qPrintable(r.way), r.rounds, r.bulkReads, r.cellsReadAgain, r.checks,
                        r.singleReads);
}

int sparse(OfficeConnection& office, SheetFixture& fixture, const QTemporaryDir& dir)
{
    fixture.writePlaced(dir.filePath("far.ods"), {{0, 0, 0, "x"}, {0, 25, 99999, "x"}});
    fixture.writePlaced(dir.filePath("near.ods"), {{0, 0, 0, "x"}, {0, 1, 0, "x"}});
    for (const char* name : {"near.ods", "far.ods"}) {
        const Timing t = measure(office, fixture, dir.filePath(name));
        std::printf("%-9s load + store %6.3f s   DoItByFile %6.3f s\n", name, t.plain, t.engine);
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    Platform::atProgramStart();
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    OfficeConnection::Options options;
    options.callTimeoutMs = 60 * 60 * 1000; // making and storing ten thousand sheets takes the office minutes
    OfficeConnection office(options);
    SheetFixture fixture(office);
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    const QString input = dir.filePath("bench.ods");
    if (mode == "sparse")
        return sparse(office, fixture, dir);
    if (mode == "file" && argc > 2) {
        QFile::copy(QString::fromLocal8Bit(argv[2]), input);
        std::printf("workbook: %s\n", argv[2]);
        const int asked = qEnvironmentVariableIntValue("CW_BENCH_RUNS");
        print(measure(office, fixture, input, asked > 0 ? asked : 5), asked > 0 ? asked : 5);
        return 0;
    }
    if (mode == "sheets" || mode == "bomb" || mode == "same" || mode == "cycle") {
        const QString flat = dir.filePath("bench.fods");
        if (mode == "bomb") {
            const int rows = argc > 2 ? atoi(argv[2]) : 10000;
            std::printf("workbook: one sheet of %d x 1,000 cells, %d distinct texts\n", rows, 10);
            writeFlat(flat, 1, 10, 1, rows / 10, 1000, [](int, int r, int) { return "bomb " + QByteArray::number(r); });
        } else if (mode == "same") {
            const int rows = argc > 2 ? atoi(argv[2]) : 4000;
            std::printf("workbook: one sheet of %d x 1,000 cells all holding the same text\n", rows);
            writeFlat(flat, 1, 1, 1, rows, 1000, [](int, int, int) { return QByteArray("same text"); });
        } else if (mode == "cycle") {
            const int count = argc > 2 ? atoi(argv[2]) : 2000;
            std::printf("workbook: %d sheets of one row of 100 cells cycling through 7 texts\n", count);
            static const char* const texts[] = {"north", "south", "east", "west", "up", "down", "around"};
            writeFlat(flat, count, 1, 100, 1, 1, [](int s, int, int c) { return QByteArray(texts[(s * 100 + c) % 7]); });
        } else {
            const int count = argc > 2 ? atoi(argv[2]) : 10000;
            std::printf("workbook: %d sheets of 10 x 10 cells, 300 distinct texts\n", count);
            writeFlat(flat, count, 10, 10, 1, 1,
                      [](int s, int r, int c) { return "v" + QByteArray::number((s * 7 + r * 10 + c) % 300); });
        }
        fixture.loadAndStore(flat, input);
        // To time the batch command on it as a whole process.
        if (const QString keep = qEnvironmentVariable("CW_BENCH_KEEP"); !keep.isEmpty())
            QFile::copy(input, keep);
        print(measure(office, fixture, input, 1), 1);
        return 0;
    }
    if (mode == "ledger") {
        const int sheets = argc > 2 ? atoi(argv[2]) : 3;
        const int rows = argc > 3 ? atoi(argv[3]) : 2000;
        std::printf("workbook: budgets, then %d ledgers of %d entries (running balance, share of it, budget looked "
                    "up, sums per category)\n",
                    sheets, rows);
        fixture.writeTexts(input, ledgers(sheets, rows), {}, true);
        const int asked = qEnvironmentVariableIntValue("CW_BENCH_RUNS");
        const int runs = asked > 0 ? asked : 5;
        print(measure(office, fixture, input, runs), runs);
        return 0;
    }
    const bool formulas = mode == "formulas", rows = mode == "rows";
    const int first = formulas || rows ? 2 : 1;
    const int sheets = argc > first ? atoi(argv[first]) : 3;
    const int cells = argc > first + 1 ? atoi(argv[first + 1]) : 20000;
    const int columns = argc > first + 2 ? atoi(argv[first + 2]) : 20;
    std::printf("workbook: %d sheets x %d filled cells (%d columns), about half repeats%s\n", sheets, cells, columns,
                formulas ? ", a fifth formulas over other cells" : (rows ? ", in rows copied whole" : ""));
    fixture.writeTexts(input,
                       rows ? copiedRows(sheets, cells / columns, columns) : workbook(sheets, cells, columns, formulas),
                       {}, formulas);
    const int asked = qEnvironmentVariableIntValue("CW_BENCH_RUNS");
    const int runs = asked > 0 ? asked : 5;
    print(measure(office, fixture, input, runs), runs);
    return 0;
}
