// cellwinnow-batch: empties repeated cell texts in many spreadsheets without a
// window, each file in one of a pool of private offices.

#include "BatchFiles.h"
#include "BatchOptions.h"
#include "BatchProgress.h"
#include "BatchRun.h"
#include "BatchWorker.h"
#include "Platform.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {

// The files whose results were made from them as they are, taken out of
// the list.
QList<Batch::File> leaveOutDone(const Batch::Options& options, QList<Batch::File>& files)
{
    QList<Batch::File> skipped;
    const qsizetype before = files.size();
    files.removeIf([&](const Batch::File& file) {
        const bool done = file.refused.isEmpty() && Batch::doneBefore(file, options);
        // The list on standard output stays the files to do.
        if (done && options.list)
            Batch::say("skipped, its result was made from it as it is: " + file.path);
        if (done)
            skipped << file;
        return done;
    });
    if (!options.list && !options.quiet && files.size() < before)
        Batch::say(
            QString("%1 file(s) skipped: their results were made from them as they are").arg(before - files.size()));
    return skipped;
}

// One path of a list on standard input; a null string at its end. A line
// end may be CR LF, as a list made on Windows has it.
QString readPath(QFile& in, bool null)
{
    QByteArray path;
    if (null) {
        bool any = false;
        char c = 0;
        while (in.getChar(&c)) {
            any = true;
            if (c == '\0')
                break;
            path += c;
        }
        if (!any)
            return {};
    } else {
        path = in.readLine();
        if (path.isEmpty())
            return {};
        if (path.endsWith('\n'))
            path.chop(1);
        if (path.endsWith('\r'))
            path.chop(1);
    }
    return path.isEmpty() ? QString("") : QFile::decodeName(path);
}

// --list: the files to process, in order; the refused ones are told of.
int list(const QList<Batch::File>& files, bool leftOut, bool null)
{
    bool refused = false;
    for (const Batch::File& file : files) {
        if (file.refused.isEmpty()) {
            const QByteArray path = QFile::encodeName(file.path);
            std::fwrite(path.constData(), 1, size_t(path.size()), stdout);
            std::fputc(null ? '\0' : '\n', stdout);
            continue;
        }
        Batch::say(QString("would fail: %1: %2").arg(file.path, file.refused));
        refused = true;
    }
    return refused || leftOut ? Batch::Failed : Batch::Done;
}

} // namespace

int main(int argc, char* argv[])
{
    Platform::atProgramStart(); // the workers' too: they run this main
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("cellwinnow-batch");
    QCoreApplication::setApplicationVersion(CW_VERSION);
    Batch::Options options;
    Batch::Gathered gathered;
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
        gathered = Batch::gatherFiles(
            options.paths, options.extensions,
            [&]() -> QString {
                if (!in.isOpen() && !in.open(stdin, QIODevice::ReadOnly))
                    return {};
                return readPath(in, options.null);
            },
            options.results);
        Batch::checkClashes(gathered.files, options);
    } catch (const Batch::UsageError& e) {
        std::fprintf(stderr, "cellwinnow-batch: %s\nTry 'cellwinnow-batch --help' for more.\n", e.what());
        return Batch::Usage;
    }
    for (const Batch::LeftOut& left : std::as_const(gathered.leftOut))
        Batch::say(QString("left out: %1: %2").arg(left.path, left.why));
    QList<Batch::File>& files = gathered.files;
    if (files.isEmpty() && gathered.leftOut.isEmpty()) {
        std::fprintf(stderr, "cellwinnow-batch: no files found (folders give files ending in .%s; see --extension)\n",
                     qPrintable(options.extensions.join(", .")));
        return Batch::Failed;
    }
    files = Batch::shareOf(files, options.shard, options.shards);
    const QList<Batch::File> skipped = options.skipDone ? leaveOutDone(options, files) : QList<Batch::File>();
    if (options.list)
        return list(files, !gathered.leftOut.isEmpty(), options.null);
    if (files.isEmpty() && !options.json) {
        if (!options.quiet)
            std::fputs("cellwinnow-batch: no files to process\n", stderr);
        return gathered.leftOut.isEmpty() ? Batch::Done : Batch::Failed;
    }
    return Batch::run(options, files, skipped, gathered.leftOut);
}
