#include "BatchPool.h"

#include "BatchFiles.h"
#include "Platform.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QSet>
#include <QTimer>

#include <memory>
#include <vector>

namespace Batch {

namespace {

// How long a worker has to end itself once stopped: it ends at once, but
// ending its office and removing its profile can take a busy machine
// seconds, and a worker killed outright leaves the profile behind.
constexpr int StopGraceMs = 10000;

class Pool {
public:
    Pool(const Options& options, const QStringList& files, Progress& progress,
         const std::function<void(FileResult&&)>& done)
        : m_options(options), m_files(files), m_progress(progress), m_done(done)
    {
    }

    int run()
    {
        const std::unique_ptr<QObject> termination
            = Platform::onTerminationRequest([this](int signal) { interrupt(signal); });
        const int jobs = int(qMin<qsizetype>(m_options.jobs, m_files.size()));
        m_workers = std::vector<Worker>(size_t(jobs));
        for (Worker& worker : m_workers)
            start(worker);
        if (!finishedAll())
            m_loop.exec();
        return m_signal;
    }

private:
    struct Worker {
        std::unique_ptr<QProcess> process;
        int current = -1; ///< the file it works on
        QElapsedTimer since; ///< it was handed the file
        QByteArray output;
    };

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
            if (!result.outcome.interrupted)
                m_done(std::move(result));
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
            const QString how = worker.process->exitStatus() == QProcess::CrashExit
                                    ? QString("crashed")
                                    : QString("exit status %1").arg(worker.process->exitCode());
            FileResult result{.index = worker.current, .outcome = {}, .seconds = worker.since.elapsed() / 1000.0};
            result.outcome.result.failures.append(
                {.description = QString("the worker processing it ended unexpectedly (%1)").arg(how), .location = {}});
            m_done(std::move(result));
        }
        worker.process.release()->deleteLater();
        worker.current = -1;
        if (!m_stopping && m_next < m_files.size())
            start(worker); // a new worker, with an office of its own
        if (finishedAll())
            m_loop.quit();
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

    bool finishedAll() const
    {
        for (const Worker& worker : m_workers)
            if (worker.process)
                return false;
        return true;
    }

    const Options& m_options;
    const QStringList& m_files;
    Progress& m_progress;
    const std::function<void(FileResult&&)>& m_done;
    std::vector<Worker> m_workers; // never resized once running: lambdas hold their addresses
    QEventLoop m_loop;
    QSet<int> m_handedOut;
    qsizetype m_next = 0;
    bool m_stopping = false;
    int m_signal = 0;
};

} // namespace

int runPool(const Options& options, const QStringList& files, Progress& progress,
            const std::function<void(FileResult&&)>& done)
{
    return Pool(options, files, progress, done).run();
}

} // namespace Batch
