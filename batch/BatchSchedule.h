#pragma once
// Which worker gets which file, and when: the pool's decisions without a
// process in them, so that a test can drive them through any order of
// answers, deaths and failed starts.

#include <QList>
#include <QStringList>

#include <optional>

namespace Batch {

class Schedule {
public:
    /// keys[i] names what file i writes (its result); two files of one key
    /// never run at once. An empty key clashes with nothing.
    Schedule(const QStringList& keys, int workers);

    struct Step {
        enum Kind { Start, Hand, Close } kind;
        int worker;
        int file = -1; ///< the file handed
        bool operator==(const Step&) const = default;
    };
    /// What to do now: workers to start, files to hand out in list order,
    /// workers whose input to close because no file is left for them. Asked
    /// after every event; the caller does each step and tells what followed.
    QList<Step> next();

    void started(int worker);
    /// No worker is started after one that could not be: the run stops.
    void notStarted(int worker);
    /// The worker answered for its file and waits for another.
    void answered(int worker);
    /// The worker's process ended or is being ended: the file it had, if
    /// any, ends without an answer.
    std::optional<int> ended(int worker);
    /// No more files are handed out.
    void stop();

    /// No worker runs, and none will be started.
    bool finished() const;
    std::optional<int> fileOf(int worker) const;

private:
    enum class State { Off, Starting, Idle, Busy, Closed };
    struct Worker {
        State state = State::Off;
        int file = -1;
    };
    bool busy(const QString& key) const;
    std::optional<int> runnable() const;
    int runnableKeys() const;

    QStringList m_keys;
    QList<bool> m_waiting; ///< by file: neither handed out nor ended
    QList<Worker> m_workers;
    qsizetype m_first = 0; ///< no file before it waits
    bool m_stopping = false;
};

} // namespace Batch
