#include "BatchRun.h"

#include "BatchJson.h"
#include "BatchPool.h"
#include "BatchProgress.h"
#include "BatchReport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSet>

#include <cerrno>
#include <csignal>
#include <cstdio>

namespace Batch {

namespace {

void print(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    // Whoever read standard output has gone (as head does): nobody hears of
    // the rest, so the run ends as on a termination request, offices and all.
    if (std::fflush(stdout) != 0 && errno == EPIPE)
        std::raise(SIGTERM);
}

QStringList pathsOf(const QList<File>& files)
{
    QStringList paths;
    for (const File& file : files)
        paths << file.path;
    return paths;
}

Calc1::FileResult failure(const QString& why)
{
    Calc1::FileResult result;
    result.failures.append({.description = why, .location = {}});
    return result;
}

// Hears of each file as it ends: shows it, prints its JSON line, counts it
// and hands it to the report; and sums the run up.
class Parent {
public:
    Parent(const Options& options, const QList<File>& files, const QList<File>& skipped,
           const QList<LeftOut>& leftOut, QFile* report)
        : m_options(options), m_files(files), m_paths(pathsOf(files)), m_skipped(skipped), m_leftOut(leftOut),
          m_report(report, options, m_paths), m_progress(int(files.size()), options.quiet)
    {
    }

    int run()
    {
        m_clock.start();
        if (m_options.json) {
            for (const File& file : m_skipped)
                print(jsonFile(file.path, resultPath(file, m_options), Status::Skipped, {}, 0));
            for (const LeftOut& left : m_leftOut)
                print(jsonFile(left.path, {}, Status::LeftOut, failure(left.why), 0));
        }
        const int signal = runPool(m_options, jobs(), m_progress, [this](FileResult&& result) { done(std::move(result)); });
        m_progress.clear();
        m_report.finish();
        summary();
        if (signal > 0)
            return 128 + signal;
        return m_failed > 0 || missed() > 0 || !m_leftOut.isEmpty() ? Failed : Done;
    }

private:
    // The files for the workers. One refused fails here, in its place in the
    // list; what dead runs left where results go is removed.
    QList<Job> jobs()
    {
        QList<Job> jobs;
        QSet<QString> folders;
        for (qsizetype i = 0; i < m_files.size(); ++i) {
            const File& file = m_files[i];
            if (!file.refused.isEmpty()) {
                FileResult refused{.index = int(i), .outcome = {}, .seconds = 0};
                refused.outcome.result = failure(file.refused);
                done(std::move(refused));
                continue;
            }
            const QString folder = resultFolder(file, m_options);
            jobs.append({.task = {.index = int(i), .path = file.path, .folder = folder, .noFallback = file.noFallback},
                         .key = resultPath(file, m_options)});
            if (!m_options.dryRun && !folder.isEmpty() && !folders.contains(folder)) {
                folders.insert(folder);
                Calc1::removeDeadTemporaries(folder);
            }
        }
        return jobs;
    }

    void done(FileResult&& result)
    {
        const File& file = m_files[result.index];
        const Calc1::FileResult& o = result.outcome.result;
        const bool failed = result.outcome.failed(!m_options.dryRun);
        m_progress.finished(file.path, o, failed);
        if (m_options.json)
            print(jsonFile(file.path, o.done ? resultPath(file, m_options, o.storedAs) : QString(),
                           failed ? Status::Failed : Status::Done, o, result.seconds));
        m_failed += failed ? 1 : 0;
        // A result not stored emptied nothing.
        m_emptied += o.done || m_options.dryRun ? o.emptiedCount : 0;
        m_finished.insert(result.index);
        m_report.add(std::move(result));
    }

    qsizetype missed() const { return m_files.size() - m_finished.size(); }

    void summary()
    {
        for (qsizetype i = 0; i < m_files.size(); ++i)
            if (!m_finished.contains(int(i))) {
                say("not done: " + m_files[i].path);
                if (m_options.json)
                    print(jsonFile(m_files[i].path, {}, Status::NotDone, {}, 0));
            }
        const qsizetype doneFiles = m_files.size() - m_failed - missed();
        if (m_options.json)
            print(jsonSummary({{Status::Done, doneFiles},
                               {Status::Failed, m_failed},
                               {Status::Skipped, m_skipped.size()},
                               {Status::NotDone, missed()},
                               {Status::LeftOut, m_leftOut.size()}},
                              m_emptied, m_clock.elapsed() / 1000.0));
        if (missed() > 0)
            say(QString("%1 file(s) not done: the run was stopped").arg(missed()));
        if (!m_leftOut.isEmpty())
            say(QString("%1 left out by the walk, named above").arg(m_leftOut.size()));
        if (!m_options.quiet)
            say(QString("%1 file(s): %2 done, %3 failed, %4 skipped, %5 not done; %6 cell(s) %7")
                    .arg(m_files.size() + m_skipped.size())
                    .arg(doneFiles)
                    .arg(m_failed)
                    .arg(m_skipped.size())
                    .arg(missed())
                    .arg(m_emptied)
                    .arg(m_options.dryRun ? "would be emptied (dry run: nothing written)" : "emptied"));
    }

    const Options& m_options;
    const QList<File>& m_files;
    const QStringList m_paths;
    const QList<File>& m_skipped;
    const QList<LeftOut>& m_leftOut;
    Report m_report;
    Progress m_progress;
    QElapsedTimer m_clock;
    QSet<int> m_finished;
    qsizetype m_failed = 0;
    qint64 m_emptied = 0;
};

} // namespace

int run(const Options& options, const QList<File>& files, const QList<File>& skipped, const QList<LeftOut>& leftOut)
{
    for (const QString& suffix : unwritable(files, options.format))
        say(QString("results of %1 are stored as .ods: the office does not write that format")
                .arg(suffix.isEmpty() ? QString("files without an extension") : "." + suffix + " files"));
    const bool toStdout = options.report == "-";
    QFile report(toStdout ? QString() : options.report);
    if (toStdout && !report.open(stdout, QIODevice::WriteOnly))
        return Usage;
    if (!toStdout && !options.report.isEmpty() && !report.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        say(QString("cannot write the report %1: %2").arg(options.report, report.errorString()));
        return Usage;
    }
    const int status = Parent(options, files, skipped, leftOut, report.isOpen() ? &report : nullptr).run();
    if (report.isOpen() && (!report.flush() || report.error() != QFile::NoError)) {
        say(QString("cannot write the report %1: %2").arg(options.report, report.errorString()));
        return status == Done ? Failed : status;
    }
    return status;
}

} // namespace Batch
