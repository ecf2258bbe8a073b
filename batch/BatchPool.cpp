#include "BatchPool.h"

#include "BatchSchedule.h"
#include "Calc1.h"
#include "Platform.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <memory>
#include <vector>

namespace Batch {

namespace {

// How long a worker has to end itself once stopped: it ends at once, but
// ending its office and removing its profile can take a busy machine
// seconds, and a worker killed outright leaves the profile behind.
constexpr int StopGraceMs = 10000;

QStringList keysOf(const QList<Job>& jobs)
{
    QStringList keys;
    for (const Job& job : jobs)
        keys << job.key;
    return keys;
}

class Pool {
public:
    Pool(const Options& options, const QList<Job>& jobs, Progress& progress,
         const std::function<void(FileResult&&)>& done)
        : m_options(options)
        , m_jobs(jobs)
        , m_progress(progress)
        , m_done(done)
        , m_schedule(keysOf(jobs), int(qMin<qsizetype>(options.jobs, jobs.size())))
        , m_workers(size_t(qMax<qsizetype>(1, qMin<qsizetype>(options.jobs, jobs.size()))))
    {
    }

    int run()
    {
        const std::unique_ptr<QObject> termination
            = Platform::onTerminationRequest([this](int signal) { interrupt(signal); });
        advance();
        if (!over())
            m_loop.exec();
        return m_signal;
    }

private:
    struct Worker {
        std::unique_ptr<QProcess> process;
        QElapsedTimer since; ///< it was handed its file
        QByteArray output;
    };

    // Whatever happened, the schedule says what to do next, until it has
    // nothing more to say. A step's events that come in meanwhile are
    // caught by the next asking.
    void advance()
    {
        if (std::exchange(m_advancing, true))
            return;
        for (QList<Schedule::Step> steps = m_schedule.next(); !steps.isEmpty(); steps = m_schedule.next())
            for (const Schedule::Step& step : std::as_const(steps))
                apply(step);
        m_advancing = false;
        if (over())
            m_loop.quit();
    }

    bool over() const { return m_schedule.finished() && m_retiring.empty(); }

    void apply(const Schedule::Step& step)
    {
        Worker& worker = m_workers[size_t(step.worker)];
        switch (step.kind) {
        case Schedule::Step::Start: return start(step.worker);
        case Schedule::Step::Hand: {
            const Task& task = m_jobs[step.file].task;
            m_progress.started(task.path);
            worker.since.start();
            worker.process->write(encodeTask(task));
            return;
        }
        case Schedule::Step::Close: worker.process->closeWriteChannel(); return;
        }
    }

    void start(int w)
    {
        Worker& worker = m_workers[size_t(w)];
        worker = {};
        worker.process = std::make_unique<QProcess>();
        QProcess* process = worker.process.get();
        process->setProgram(QCoreApplication::applicationFilePath());
        process->setArguments(workerArguments(m_options));
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->setChildProcessModifier([] {
            Platform::leaveTerminalSignals();
            Platform::dieWithParent();
        });
        QObject::connect(process, &QProcess::readyReadStandardOutput, [this, w, process] { read(w, process); });
        QObject::connect(process, &QProcess::finished, [this, w, process] { ended(w, process); });
        process->start();
        if (process->waitForStarted())
            return m_schedule.started(w);
        say("could not start a worker: " + process->errorString());
        m_schedule.notStarted(w);
        worker.process.release()->deleteLater();
    }

    void read(int w, QProcess* process)
    {
        Worker& worker = m_workers[size_t(w)];
        if (process != worker.process.get())
            return; // one being ended: its file has already failed
        worker.output += process->readAllStandardOutput();
        for (qsizetype end = worker.output.indexOf('\n'); end >= 0; end = worker.output.indexOf('\n')) {
            const QByteArray line = worker.output.left(end);
            worker.output.remove(0, end + 1);
            const std::optional<int> file = m_schedule.fileOf(w);
            FileResult result;
            if (!decodeResult(line, result) || !file || result.index != m_jobs[*file].task.index)
                return unreadable(w, line);
            m_schedule.answered(w);
            result.seconds = worker.since.elapsed() / 1000.0;
            if (!result.outcome.restart.isEmpty() && !m_options.quiet) {
                m_progress.clear();
                say(QString("after %1 %2: the next file gets a new one")
                        .arg(m_jobs[*file].task.path, result.outcome.restart));
            }
            if (!result.outcome.interrupted)
                m_done(std::move(result));
        }
        advance();
    }

    // A worker that says what cannot be read fails its file and is replaced.
    void unreadable(int w, const QByteArray& line)
    {
        const QString said = QString::fromUtf8(line.left(200));
        if (const std::optional<int> file = m_schedule.ended(w))
            fail(*file, QString("the worker processing it gave an answer that could not be read: %1").arg(said));
        else
            say(QString("a worker gave an answer for no file of its own, and is replaced: %1").arg(said));
        QProcess* process = m_workers[size_t(w)].process.release();
        m_workers[size_t(w)] = {};
        m_retiring.emplace_back(process);
        process->closeWriteChannel();
        process->terminate();
        QTimer::singleShot(StopGraceMs, process, [process] { process->kill(); });
        advance();
    }

    void ended(int w, QProcess* process)
    {
        for (auto it = m_retiring.begin(); it != m_retiring.end(); ++it)
            if (it->get() == process) {
                it->release()->deleteLater();
                m_retiring.erase(it);
                return advance();
            }
        Worker& worker = m_workers[size_t(w)];
        if (process != worker.process.get())
            return;
        // Stopped, the file at hand is simply not done.
        if (const std::optional<int> file = m_schedule.ended(w); file && !m_signal) {
            const QString how = process->exitStatus() == QProcess::CrashExit
                ? QString("crashed")
                : QString("exit status %1").arg(process->exitCode());
            fail(*file, QString("the worker processing it ended unexpectedly (%1)").arg(how));
            // What it was storing is nobody's now.
            if (!m_options.results.isEmpty())
                Calc1::removeDeadTemporaries(m_jobs[*file].task.folder);
        }
        worker.process.release()->deleteLater();
        worker = {};
        advance();
    }

    void fail(int file, const QString& why)
    {
        FileResult result{.index = m_jobs[file].task.index, .outcome = {}, .seconds = 0};
        result.outcome.result.failures.append({.description = why, .location = {}});
        m_done(std::move(result));
    }

    // The workers give up their files at once and end with their offices; one
    // that has not ended soon after is killed.
    void interrupt(int signal)
    {
        if (m_signal)
            return stopNow();
        m_signal = signal;
        m_schedule.stop();
        m_progress.clear();
        forEachProcess([](QProcess& process) {
            process.closeWriteChannel();
            process.terminate();
        });
        QTimer::singleShot(StopGraceMs, &m_loop, [this] { stopNow(); });
        advance();
    }

    void stopNow()
    {
        forEachProcess([](QProcess& process) { process.kill(); });
    }

    void forEachProcess(const std::function<void(QProcess&)>& f)
    {
        for (Worker& worker : m_workers)
            if (worker.process)
                f(*worker.process);
        for (const std::unique_ptr<QProcess>& process : m_retiring)
            f(*process);
    }

    const Options& m_options;
    const QList<Job>& m_jobs;
    Progress& m_progress;
    const std::function<void(FileResult&&)>& m_done;
    Schedule m_schedule;
    std::vector<Worker> m_workers;
    std::vector<std::unique_ptr<QProcess>> m_retiring; ///< replaced, being ended
    QEventLoop m_loop;
    bool m_advancing = false;
    int m_signal = 0;
};

} // namespace

int runPool(const Options& options, const QList<Job>& jobs, Progress& progress,
            const std::function<void(FileResult&&)>& done)
{
    return Pool(options, jobs, progress, done).run();
}

} // namespace Batch
