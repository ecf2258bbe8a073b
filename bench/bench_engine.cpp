// Times DoItByFile (without its pause after loading) against the time the same
// office takes to load and store the workbook unchanged, and reports memory.
//
//   bench_engine [sheets] [filled cells per sheet] [columns] [cell-by-cell]
//   bench_engine sparse      (a sheet holding A1 and Z100000, beside one holding A1 and B1)

#include "Calc1.h"
#include "OfficeConnection.h"
#include "SheetFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>

namespace {

struct Settings : JobSettings {
    QString folder;
    bool isSelected(Scope s) const override { return s == Scope::EntireSheet; }
    QString rowText() const override { return "1"; }
    QString columnText() const override { return "A"; }
    QString resultsFolder() const override { return folder; }
};

// About half of all cells repeat a text met earlier.
QList<QList<QStringList>> workbook(int sheets, int cellsPerSheet, int columns)
{
    const int total = sheets * cellsPerSheet;
    QStringList texts;
    texts.reserve(total);
    for (int k = 0; k < total / 2; ++k)
        texts << QString("item %1").arg(k);
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
        rows.last() << texts[k];
    }
    return book;
}

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

long officePeakKiB(qint64 pid)
{
    QFile status(QString("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

struct Timing {
    double plain = 0, engine = 0;
    qlonglong kept = 0;
};

Timing measureOnce(OfficeConnection& office, SheetFixture& fixture, const QString& input, Calc1::Method method)
{
    QTemporaryDir out;
    QElapsedTimer timer;
    timer.start();
    fixture.loadAndStore(input, out.filePath("plain.ods"));
    Timing t;
    t.plain = timer.nsecsElapsed() / 1e9;
    Settings settings;
    settings.folder = out.path();
    SeenTexts seen;
    timer.restart();
    Calc1::DoItByFile(input, seen, {office, settings, 0, method});
    t.engine = timer.nsecsElapsed() / 1e9;
    t.kept = seen.size();
    if (!QFile::exists(out.filePath(QFileInfo(input).fileName())))
        std::printf("NO RESULT WRITTEN\n");
    return t;
}

// Two cores shared with the office make single runs noisy: the median of three, side by side.
Timing measure(OfficeConnection& office, SheetFixture& fixture, const QString& input, Calc1::Method method)
{
    QList<Timing> runs;
    for (int i = 0; i < 3; ++i)
        runs << measureOnce(office, fixture, input, method);
    auto median = [&](auto member) {
        QList<double> values;
        for (const Timing& t : runs)
            values << t.*member;
        std::sort(values.begin(), values.end());
        return values[1];
    };
    return {median(&Timing::plain), median(&Timing::engine), runs[0].kept};
}

int sparse(OfficeConnection& office, SheetFixture& fixture, const QTemporaryDir& dir)
{
    fixture.writePlaced(dir.filePath("far.ods"), {{0, 0, 0, "x"}, {0, 25, 99999, "x"}});
    fixture.writePlaced(dir.filePath("near.ods"), {{0, 0, 0, "x"}, {0, 1, 0, "x"}});
    for (const char* name : {"near.ods", "far.ods"}) {
        const Timing t = measure(office, fixture, dir.filePath(name), Calc1::Method::Bulk);
        std::printf("%-9s load + store %6.3f s   DoItByFile %6.3f s\n", name, t.plain, t.engine);
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    OfficeConnection office;
    SheetFixture fixture(office);
    if (argc > 1 && QByteArray(argv[1]) == "sparse")
        return sparse(office, fixture, dir);

    const int sheets = argc > 1 ? atoi(argv[1]) : 3;
    const int cells = argc > 2 ? atoi(argv[2]) : 20000;
    const int columns = argc > 3 ? atoi(argv[3]) : 20;
    const Calc1::Method method = argc > 4 ? Calc1::Method::CellByCell : Calc1::Method::Bulk;
    const QString input = dir.filePath("bench.ods");
    std::printf("workbook: %d sheets x %d filled cells (%d columns), about half repeats\n", sheets, cells, columns);
    fixture.writeTexts(input, workbook(sheets, cells, columns));

    const Timing t = measure(office, fixture, input, method);
    std::printf("office load + store unchanged: %8.3f s\n", t.plain);
    std::printf("DoItByFile without the pause:   %8.3f s (%s)\n", t.engine,
                method == Calc1::Method::Bulk ? "bulk" : "cell by cell");
    std::printf("ratio:                          %8.2f   (medians of 3 runs)\n", t.engine / t.plain);
    std::printf("distinct texts kept:            %8lld\n", t.kept);
    std::printf("program peak memory:            %8.1f MB\n", peakKiB() / 1024.0);
    std::printf("office peak memory:             %8.1f MB\n", officePeakKiB(office.processId()) / 1024.0);
    return 0;
}
