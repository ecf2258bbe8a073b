// Times the batch command over 40 workbooks of 3 sheets x 2,000 cells with one
// job and with two, and sets the time per file against the office's own load
// and store of the same files.
//
//   bench_batch [files] [cells per sheet]

#include "OfficeConnection.h"
#include "SheetFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

namespace {

// About half of the cells repeat a text met earlier in the workbook.
QList<QList<QStringList>> workbook(int seed, int cellsPerSheet)
{
    QRandomGenerator random{quint32(seed)};
    constexpr int Columns = 20;
    QList<QList<QStringList>> sheets(3);
    for (auto& sheet : sheets) {
        sheet = QList<QStringList>(cellsPerSheet / Columns, QStringList(Columns));
        for (QStringList& row : sheet)
            for (QString& cell : row)
                cell = QString("t%1").arg(random.bounded(3 * cellsPerSheet));
    }
    return sheets;
}

double runBatch(const QString& in, const QString& out, int jobs)
{
    QDir(out).removeRecursively();
    QDir().mkpath(out);
    QElapsedTimer timer;
    timer.start();
    QProcess batch;
    batch.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    batch.start(CW_BATCH_PROGRAM, {"--quiet", "--jobs", QString::number(jobs), "--results", out, in});
    if (!batch.waitForFinished(-1) || batch.exitCode() != 0) {
        std::fprintf(stderr, "the batch command failed (exit %d)\n", batch.exitCode());
        std::exit(1);
    }
    return timer.elapsed() / 1000.0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 40;
    const int cells = argc > 2 ? std::atoi(argv[2]) : 2000;
    QTemporaryDir dir;
    const QString in = dir.filePath("in"), out = dir.filePath("out"), plain = dir.filePath("plain");
    QDir().mkpath(in);
    QDir().mkpath(plain);
    OfficeConnection office;
    SheetFixture fixture(office);
    QStringList paths;
    for (int i = 0; i < files; ++i) {
        paths << QString("%1/book%2.ods").arg(in).arg(i, 3, 10, QChar('0'));
        fixture.writeTexts(paths.last(), workbook(i, cells));
    }
    QElapsedTimer timer;
    timer.start();
    for (const QString& path : std::as_const(paths))
        fixture.loadAndStore(path, plain + "/" + QFileInfo(path).fileName());
    const double loadStore = timer.elapsed() / 1000.0;
    office.shutdown();

    std::printf("%d workbooks of 3 sheets x %d cells, %d processors\n", files, cells, QThread::idealThreadCount());
    const double one = runBatch(in, out, 1);
    std::printf("--jobs 1: %.2f s (%.0f ms per file)\n", one, 1000.0 * one / files);
    const double two = runBatch(in, out, 2);
    std::printf("--jobs 2: %.2f s (%.0f ms per file)\n", two, 1000.0 * two / files);
    std::printf("speedup: %.2f\n", one / two);
    std::printf("office's own load and store: %.0f ms per file (one office, already running)\n",
                1000.0 * loadStore / files);
    std::printf("per file with --jobs 1, against load and store: %.2fx\n", one / loadStore);
    return 0;
}
