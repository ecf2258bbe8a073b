// cellwinnow-batch: empties repeated cell texts in many spreadsheets without a
// window, each file in one of a pool of private offices.

#include "BatchFiles.h"
#include "BatchOptions.h"
#include "BatchRun.h"
#include "BatchWorker.h"
#include "Platform.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {

// The files whose result is newer than they are, taken out of the list.
QStringList leaveOutDone(const Batch::Options& options, QStringList& files)
{
    QStringList skipped;
    const qsizetype before = files.size();
    files.removeIf([&](const QString& file) {
        const bool done = Batch::doneBefore(file, options.results, options.format);
        // The list on standard output stays the files to do.
        if (done && options.list)
            std::fprintf(stderr, "cellwinnow-batch: skipped, its result is newer: %s\n",
                         QFile::encodeName(file).constData());
        if (done)
            skipped << file;
        return done;
    });
    if (!options.list && !options.quiet && files.size() < before)
        std::fprintf(stderr, "cellwinnow-batch: %lld file(s) skipped: their results are newer\n",
                     qint64(before - files.size()));
    return skipped;
}

} // namespace

int main(int argc, char* argv[])
{
    Platform::atProgramStart(); // the workers' too: they run this main
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("cellwinnow-batch");
    QCoreApplication::setApplicationVersion(CW_VERSION);
    Batch::Options options;
    QStringList files;
    ConsoleHost host("cellwinnow-batch"); // the walk's own reports
    try {
        options = Batch::parse(QCoreApplication::arguments());
        if (options.help) {
            std::fputs(qPrintable(Batch::helpText()), stdout);
            return Batch::Done;
        }
        if (options.version) {
            std::printf("cellwinnow-batch %s\n", CW_VERSION);
            return Batch::Done;
        }
        if (options.worker)
            return Batch::runWorker(options);
        QFile in;
        files = Batch::gatherFiles(
            options.paths, options.extensions,
            [&in]() -> QString {
                if (!in.isOpen() && !in.open(stdin, QIODevice::ReadOnly))
                    return {};
                QByteArray line = in.readLine();
                if (line.isEmpty())
                    return {};
                if (line.endsWith('\n'))
                    line.chop(1);
                return line.isEmpty() ? QString("") : QFile::decodeName(line);
            },
            host);
    } catch (const Batch::UsageError& e) {
        std::fprintf(stderr, "cellwinnow-batch: %s\nTry 'cellwinnow-batch --help' for more.\n", e.what());
        return Batch::Usage;
    }
    if (files.isEmpty()) {
        std::fprintf(stderr, "cellwinnow-batch: no files found (folders give files ending in .%s; see --extension)\n",
                     qPrintable(options.extensions.join(", .")));
        return Batch::Failed;
    }
    files = Batch::shareOf(files, options.shard, options.shards);
    const QStringList skipped = options.skipDone ? leaveOutDone(options, files) : QStringList();
    if (options.list) {
        for (const QString& file : std::as_const(files))
            std::printf("%s\n", QFile::encodeName(file).constData());
        return Batch::Done;
    }
    if (files.isEmpty() && !options.json) {
        if (!options.quiet)
            std::fputs("cellwinnow-batch: no files to process\n", stderr);
        return Batch::Done;
    }
    return Batch::run(options, files, skipped);
}
