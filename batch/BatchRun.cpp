#include "BatchRun.h"

#include "BatchFiles.h"
#include "BatchJson.h"
#include "BatchProgress.h"
#include "BatchReport.h"
#include "BatchWorker.h"
#include "Calc1.h"
#include "Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <vector>

namespace Batch {

namespace {

struct Worker {
    std::unique_ptr<QProcess> process;
    int current = -1; ///< the file it works on
    QElapsedTimer since; ///< it was handed the file
    QByteArray output;
};

void print(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

class Pool {
public:
    Pool(const Options& options, const QStringList& files, const QStringList& skipped, QFile* report)
        : m_options(options), m_files(files), m_skipped(skipped), m_report(report, options, files),
          m_progress(int(files.size()), options.quiet)
    {
    }

    int run()
    {
        m_clock.start();
        if (m_options.json)
            for (const QString& path : m_skipped)
                print(jsonFile(path, resultPath(path), Status::Skipped, {}, 0));
        const std::unique_ptr<QObject> termination
            = Platform::onTerminationRequest([this](int signal) { interrupt(signal); });
        const int jobs = int(qMin<qsizetype>(m_options.jobs, m_files.size()));
        m_workers = std::vector<Worker>(size_t(jobs));
        for (Worker& worker : m_workers)
            start(worker);
        if (!finishedAll())
            m_loop.exec();
        m_progress.clear();
        return summary();
    }

private:
    void start(Worker& worker)
    {
        worker = {};
        if (m_stopping || m_next >= m_files.size())
            return;
        worker.process = std::make_unique<QProcess>();
        QProcess* process = worker.process.get();
        process->setProgram(QCoreApplication::applicationFilePath());
        process->setArguments(workerArguments(m_options));
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->setChildProcessModifier([] {
            Platform::leaveTerminalSignals();
            Platform::dieWithParent();
        });
        QObject::connect(process, &QProcess::readyReadStandardOutput, [this, &worker] { read(worker); });
        QObject::connect(process, &QProcess::finished, [this, &worker] { ended(worker); });
        process->start();
        if (!process->waitForStarted()) {
            say("could not start a worker: " + process->errorString());
            m_stopping = true;
            worker.process.release()->deleteLater();
            return;
        }
        dispatch(worker);
    }

    // The next file in list order; a file whose result has the name of one
    // still being processed waits, so the later one replaces the earlier as
    // in a run of one job.
    void dispatch(Worker& worker)
    {
        worker.current = -1;
        if (m_stopping) {
            worker.process->closeWriteChannel();
            return;
        }
        QSet<QString> busy;
        for (const Worker& w : m_workers)
            if (w.current >= 0)
                busy << resultName(m_files[w.current], m_options.format);
        for (qsizetype i = m_next; i < m_files.size(); ++i) {
            if (m_handedOut.contains(int(i)) || busy.contains(resultName(m_files[i], m_options.format)))
                continue;
            worker.current = int(i);
            m_handedOut.insert(int(i));
            while (m_next < m_files.size() && m_handedOut.contains(int(m_next)))
                ++m_next;
            m_progress.started(m_files[i]);
            worker.since.start();
            worker.process->write(encodeTask(int(i), m_files[i]));
            return;
        }
        if (m_next >= m_files.size())
            worker.process->closeWriteChannel();
        // Otherwise it waits for a file whose earlier namesake is being processed.
    }

    void read(Worker& worker)
    {
        worker.output += worker.process->readAllStandardOutput();
        for (qsizetype end = worker.output.indexOf('\n'); end >= 0; end = worker.output.indexOf('\n')) {
            const QByteArray line = worker.output.left(end);
            worker.output.remove(0, end + 1);
            FileResult result;
            if (!decodeResult(line, result) || result.index != worker.current)
                continue;
            result.seconds = worker.since.elapsed() / 1000.0;
            if (!result.outcome.restart.isEmpty() && !m_options.quiet) {
                m_progress.clear();
                say(QString("after %1 %2: the next file gets a new one")
                        .arg(m_files[result.index], result.outcome.restart));
            }
            done(std::move(result));
            dispatch(worker);
            for (Worker& idle : m_workers) // one may have waited for this file's name
                if (idle.process && idle.current < 0 && &idle != &worker && idle.process->state() == QProcess::Running
                    && m_next < m_files.size())
                    dispatch(idle);
        }
        if (finishedAll())
            m_loop.quit();
    }

    void ended(Worker& worker)
    {
        // Stopped, the file at hand is simply not done.
        if (worker.current >= 0 && !m_stopping) {
            FileResult result;
            result.index = worker.current;
            result.outcome.result.failures.append(
                {QString("the worker processing it ended unexpectedly (%1)")
                     .arg(worker.process->exitStatus() == QProcess::CrashExit
                              ? QString("crashed")
                              : QString("exit status %1").arg(worker.process->exitCode())),
                 {},
                 0});
            result.seconds = worker.since.elapsed() / 1000.0;
            done(std::move(result));
        }
        worker.process.release()->deleteLater();
        worker.current = -1;
        if (!m_stopping && m_next < m_files.size())
            start(worker); // a new worker, with an office of its own
        if (finishedAll())
            m_loop.quit();
    }

    void done(FileResult result)
    {
        if (result.outcome.interrupted)
            return;
        const QString& path = m_files[result.index];
        const bool failed = result.outcome.failed(!m_options.dryRun);
        m_progress.finished(path, result.outcome.result, failed);
        if (m_options.json) {
            const Calc1::FileResult& o = result.outcome.result;
            print(jsonFile(path, o.done ? resultPath(path, o.storedAs) : QString(), failed ? Status::Failed : Status::Done,
                           o, result.seconds));
        }
        m_failed += failed ? 1 : 0;
        m_emptied += result.outcome.result.emptiedCount;
        m_finished.insert(result.index);
        m_report.add(std::move(result));
    }

    // The workers give up their files at once and end with their offices; one
    // that has not ended soon after is killed.
    void interrupt(int signal)
    {
        if (std::exchange(m_stopping, true))
            return stopNow();
        m_signal = signal;
        m_progress.clear();
        for (Worker& worker : m_workers)
            if (worker.process) {
                worker.process->closeWriteChannel();
                worker.process->terminate();
            }
        QTimer::singleShot(StopGraceMs, &m_loop, [this] { stopNow(); });
    }

    void stopNow()
    {
        for (Worker& worker : m_workers)
            if (worker.process)
                worker.process->kill();
    }

    // How long a worker has to end itself once stopped: it ends at once, but
    // ending its office and removing its profile can take a busy machine
    // seconds, and a worker killed outright leaves the profile behind.
    static constexpr int StopGraceMs = 10000;

    bool finishedAll() const
    {
        for (const Worker& worker : m_workers)
            if (worker.process)
                return false;
        return true;
    }

    int summary()
    {
        m_report.finish();
        const qsizetype missed = m_files.size() - m_finished.size();
        for (qsizetype i = 0; i < m_files.size(); ++i)
            if (!m_finished.contains(int(i))) {
                say("not done: " + m_files[i]);
                if (m_options.json)
                    print(jsonFile(m_files[i], {}, Status::NotDone, {}, 0));
            }
        if (m_options.json)
            print(jsonSummary({{Status::Done, m_files.size() - m_failed - missed},
                               {Status::Failed, m_failed},
                               {Status::Skipped, m_skipped.size()},
                               {Status::NotDone, missed}},
                              m_emptied, m_clock.elapsed() / 1000.0));
        if (missed > 0)
            say(QString("%1 file(s) not done: the run was stopped").arg(missed));
        if (!m_options.quiet)
            say(QString("%1 file(s): %2 done, %3 failed; %4 cell(s) %5")
                    .arg(m_files.size())
                    .arg(m_files.size() - m_failed - missed)
                    .arg(m_failed)
                    .arg(m_emptied)
                    .arg(m_options.dryRun ? "would be emptied (dry run: nothing written)" : "emptied"));
        if (m_signal > 0)
            return 128 + m_signal;
        return m_failed > 0 || missed > 0 ? Failed : Done;
    }

    // Where the file's result is, or would be with the extension it had.
    QString resultPath(const QString& path, const QString& extension = {}) const
    {
        if (m_options.results.isEmpty())
            return {};
        const QString name = extension.isEmpty() ? Batch::resultName(path, m_options.format)
                                                 : Calc1::resultName(path, extension);
        return QDir(m_options.results).filePath(name);
    }

    const Options& m_options;
    const QStringList& m_files;
    const QStringList& m_skipped;
    Report m_report;
    QElapsedTimer m_clock;
    Progress m_progress;
    std::vector<Worker> m_workers; // never resized once running: lambdas hold their addresses
    QEventLoop m_loop;
    QSet<int> m_handedOut, m_finished;
    qsizetype m_next = 0;
    qsizetype m_failed = 0;
    qint64 m_emptied = 0;
    bool m_stopping = false;
    int m_signal = 0;
};

} // namespace

int run(const Options& options, const QStringList& files, const QStringList& skipped)
{
    if (!options.dryRun)
        for (const QStringList& group : sameResultNames(files, options.format))
            say(QString("these files give the same result %1, the later replacing the earlier: %2")
                    .arg(resultName(group.first(), options.format), group.join(", ")));
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
    const int status = Pool(options, files, skipped, report.isOpen() ? &report : nullptr).run();
    if (report.isOpen() && (!report.flush() || report.error() != QFile::NoError)) {
        say(QString("cannot write the report %1: %2").arg(options.report, report.errorString()));
        return status == Done ? Failed : status;
    }
    return status;
}

} // namespace Batch
