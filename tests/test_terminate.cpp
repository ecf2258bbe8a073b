// A termination signal in the middle of a long file ends the office and the
// program at once, through the program's own wiring, and stores nothing for
// that file.

#include "BoxScript.h"
#include "FileList.h"
#include "FormDriver.h"
#include "Program.h"
#include "SheetFixture.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

#include <unistd.h>

class TestTerminate : public QObject {
    Q_OBJECT
private slots:
    void signalDuringALongFile_data()
    {
        QTest::addColumn<bool>("officeStopped");
        // Many short calls: the engine sees the signal between two of them.
        QTest::newRow("office answering") << false;
        // The office no longer answers (stopped, like one stuck on a stalled
        // share): only ending the office ends the call the program waits in.
        QTest::newRow("office stopped") << true;
    }
    void signalDuringALongFile()
    {
        QFETCH(bool, officeStopped);
        QTemporaryDir dir;
        const QString in = dir.filePath("in"), out = dir.filePath("out");
        QVERIFY(QDir().mkpath(in) && QDir().mkpath(out));
        BoxScript boxes; // nothing may be shown
        Program program(QCoreApplication::applicationDirPath(), &boxes);
        OfficeConnection& office = program.office();
        SheetFixture fixture(office);
        // A running balance over repeated amounts, each taking the one above
        // through INDIRECT (which may read anything): the engine decides it
        // in rounds, letting events in between the office's calls.
        QList<QStringList> rows;
        for (int r = 0; r < 300; ++r)
            rows << QStringList{QString::number(r % 7 + 1),
                                r == 0 ? "=A1" : QString("=INDIRECT(\"B%1\")+A%2").arg(r).arg(r + 1)};
        fixture.writeTexts(in + "/long.ods", {rows}, {}, true);
        const qint64 pid = office.processId();

        Form1& form = program.window();
        QVERIFY(program.start());
        files(form).appendRow(in + "/long.ods");
        control<QLineEdit>(form, "Text3")->setText(out);
        form.setLoadWaitSeconds(0);
        QElapsedTimer clock;
        clock.start();
        std::atomic<qint64> signalled = -1;
        std::thread signaller;
        // The engine lets events in only once the office has answered a
        // reading of the file: the signal comes inside the file, whatever the
        // machine's speed.
        boxes.onEvents = [&] {
            if (!boxes.busy() || signalled >= 0 || signaller.joinable())
                return;
            if (!officeStopped) {
                signalled = clock.elapsed();
                ::kill(::getpid(), SIGTERM);
                // Taken by the program's wiring before the engine's next call.
                const QDeadlineTimer taken(60000);
                while (!boxes.quitting() && !taken.hasExpired())
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                return;
            }
            ::kill(pid_t(pid), SIGSTOP);
            // From a thread of its own, once the window's thread waits in a
            // call the stopped office cannot answer.
            signaller = std::thread([&, before = office.calls()] {
                office.waitForCall(before, 60000);
                signalled = clock.elapsed();
                ::kill(::getpid(), SIGTERM);
            });
        };
        click(form, "PushButton2");
        const qint64 ended = clock.elapsed();
        if (signaller.joinable())
            signaller.join();
        qInfo("the run ended %lld ms after the signal", ended - signalled);

        QVERIFY2(signalled >= 0 && signalled < ended, "the run never let events in inside the file");
        // Not a measure of speed: waiting for the stopped office instead would
        // take the call's whole time limit, minutes.
        QVERIFY2(ended - signalled < 60000, "the run waited for the office's call to end");
        QVERIFY(boxes.shown.isEmpty());
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList());
        QTRY_VERIFY2_WITH_TIMEOUT(office.processId() == 0 && ::kill(pid_t(pid), 0) != 0, "the office outlived the signal",
                                  60000);
    }
};

QTEST_MAIN(TestTerminate)
#include "test_terminate.moc"
