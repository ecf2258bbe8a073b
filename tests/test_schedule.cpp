// The batch command's scheduling, driven by make-believe workers through
// seeded random orders of answers, deaths and failed starts: every file ends
// once, never beside another of its result, in list order, and the pool ends.

#include "BatchSchedule.h"

#include <QRandomGenerator>
#include <QTest>

using Batch::Schedule;

namespace {

struct Event {
    enum Kind { Started, NotStarted, Answer, Exit } kind;
    int worker, generation;
};

// Runs one schedule to its end; an empty text when every promise held.
QString runSeed(quint32 seed)
{
    QRandomGenerator random(seed);
    const int files = int(random.bounded(30)), workers = 1 + int(random.bounded(4));
    // Result names repeat (the same name in several folders, the same file
    // twice); some files clash with nothing.
    QStringList keys;
    for (int i = 0; i < files; ++i)
        keys << (random.bounded(6) == 0 ? QString() : QString("r%1").arg(random.bounded(1 + files / 2)));
    Schedule schedule(keys, workers);
    QList<int> ends(files, 0), running(workers, -1), generation(workers, 0);
    QList<bool> alive(workers, false), handed(files, false);
    QList<Event> events;
    int deaths = int(random.bounded(4));
    const bool stopAtSomePoint = random.bounded(5) == 0;
    bool stopped = false;
    const auto endFile = [&](int worker) {
        if (running[worker] >= 0)
            ++ends[running[worker]];
        running[worker] = -1;
    };
    const auto runs = [&](const QString& key) {
        for (int file : std::as_const(running))
            if (file >= 0 && !key.isEmpty() && keys[file] == key)
                return true;
        return false;
    };
    for (int rounds = 0; !schedule.finished(); ++rounds) {
        if (rounds > 100000)
            return "the pool never ends";
        for (const Schedule::Step& step : schedule.next()) {
            const int w = step.worker;
            if (step.kind == Schedule::Step::Start) {
                const bool fails = random.bounded(25) == 0;
                events << Event{fails ? Event::NotStarted : Event::Started, w, ++generation[w]};
                alive[w] = !fails;
            } else if (step.kind == Schedule::Step::Hand) {
                if (runs(keys[step.file]))
                    return QString("file %1 runs beside another of the same result").arg(step.file);
                // An earlier file still waits only for a namesake that runs.
                for (int earlier = 0; earlier < step.file; ++earlier)
                    if (!handed[earlier] && !runs(keys[earlier]))
                        return "not in list order";
                handed[step.file] = true;
                running[w] = step.file;
                events << Event{Event::Answer, w, generation[w]};
            } else {
                events << Event{Event::Exit, w, generation[w]};
            }
        }
        if (schedule.finished())
            break;
        if (stopAtSomePoint && !stopped && random.bounded(10) == 0) {
            stopped = true;
            schedule.stop();
            continue;
        }
        if (deaths > 0 && random.bounded(8) == 0) {
            const int w = int(random.bounded(workers));
            if (alive[w]) {
                --deaths;
                alive[w] = false;
                ++generation[w]; // what it had yet to say is lost
                if (schedule.ended(w).value_or(-1) != running[w])
                    return "a dead worker's file was not its own";
                endFile(w);
                continue;
            }
        }
        if (events.isEmpty())
            return "the pool waits for ever";
        const Event e = events.takeAt(random.bounded(int(events.size())));
        if (e.generation != generation[e.worker])
            continue;
        switch (e.kind) {
        case Event::Started: schedule.started(e.worker); break;
        case Event::NotStarted: schedule.notStarted(e.worker), stopped = true; break;
        case Event::Answer:
            endFile(e.worker);
            schedule.answered(e.worker);
            break;
        case Event::Exit:
            alive[e.worker] = false;
            if (schedule.ended(e.worker))
                return "a closed worker still had a file";
            break;
        }
    }
    for (int i = 0; i < files; ++i)
        if (ends[i] > 1 || (ends[i] == 0 && (handed[i] || !stopped)))
            return QString("file %1 ended %2 times").arg(i).arg(ends[i]);
    return {};
}

} // namespace

class TestSchedule : public QObject {
    Q_OBJECT

private slots:
    void everyFileEndsOnceAndThePoolEnds()
    {
        for (quint32 seed = 1; seed <= 5000; ++seed) {
            const QString broken = runSeed(seed);
            QVERIFY2(broken.isEmpty(), qPrintable(QString("seed %1: %2").arg(seed).arg(broken)));
        }
    }

    // The two files named last share a result: the second waits for the
    // first, then the idle worker is closed.
    void lastTwoShareAResult()
    {
        Schedule schedule({"a", "b", "b"}, 2);
        using S = Schedule::Step;
        QCOMPARE(schedule.next(), (QList<S>{{S::Start, 0}, {S::Start, 1}}));
        schedule.started(0);
        schedule.started(1);
        QCOMPARE(schedule.next(), (QList<S>{{S::Hand, 0, 0}, {S::Hand, 1, 1}}));
        schedule.answered(0);
        QCOMPARE(schedule.next(), QList<S>()); // 2 waits for 1
        schedule.answered(1);
        QCOMPARE(schedule.next(), (QList<S>{{S::Hand, 0, 2}, {S::Close, 1}}));
        QCOMPARE(schedule.ended(1), std::nullopt);
        schedule.answered(0);
        QCOMPARE(schedule.next(), (QList<S>{{S::Close, 0}}));
        QVERIFY(!schedule.finished());
        schedule.ended(0);
        QVERIFY(schedule.finished());
    }
};

QTEST_GUILESS_MAIN(TestSchedule)
#include "test_schedule.moc"
