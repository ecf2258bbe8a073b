// Times DoItByFile (without its pause after loading) against the time the same
// office takes to load and store the workbook unchanged, and reports memory.
//
//   bench_engine [sheets] [filled cells per sheet] [columns]

#include "Calc1.h"
#include "OfficeConnection.h"
#include "SheetFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QDir>
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

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int sheets = argc > 1 ? atoi(argv[1]) : 3;
    const int cells = argc > 2 ? atoi(argv[2]) : 20000;
    const int columns = argc > 3 ? atoi(argv[3]) : 20;

    QTemporaryDir dir;
    OfficeConnection office;
    SheetFixture fixture(office);
    const QString input = dir.filePath("bench.ods");
    std::printf("workbook: %d sheets x %d filled cells (%d columns), about half repeats\n", sheets, cells, columns);
    fixture.writeTexts(input, workbook(sheets, cells, columns));

    QElapsedTimer timer;
    timer.start();
    fixture.loadAndStore(input, dir.filePath("plain.ods"));
    const double plain = timer.nsecsElapsed() / 1e9;

    Settings settings;
    settings.folder = dir.filePath("out");
    QDir().mkpath(settings.folder);
    SeenTexts seen;
    timer.restart();
    Calc1::DoItByFile(input, seen, {office, settings, 0});
    const double engine = timer.nsecsElapsed() / 1e9;

    std::printf("office load + store unchanged: %8.3f s\n", plain);
    std::printf("DoItByFile without the pause:   %8.3f s\n", engine);
    std::printf("ratio:                          %8.2f\n", engine / plain);
    std::printf("distinct texts kept:            %8lld\n", qlonglong(seen.size()));
    std::printf("program peak memory:            %8.1f MB\n", peakKiB() / 1024.0);
    std::printf("office peak memory:             %8.1f MB\n", officePeakKiB(office.processId()) / 1024.0);
    return QFile::exists(settings.folder + "/bench.ods") ? 0 : 1;
}
