// Closing the main window in the middle of a run, or the system asking the
// program to end, ends it at once: the office goes, nothing more is processed
// or shown, nothing half-written is left. Driven through the program's own
// wiring.

#include "BoxScript.h"
#include "FileList.h"
#include "FormDriver.h"
#include "Program.h"
#include "SheetFixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

class TestWindowClose : public QObject {
    Q_OBJECT
private slots:
    void closingDuringARun_data()
    {
        QTest::addColumn<bool>("bySignal");
        QTest::addColumn<bool>("officeStopped");
        QTest::newRow("the window closed") << false << false;
        QTest::newRow("the system asks") << true << false;
        // The window handles its events while it waits for the office.
        QTest::newRow("the window closed, its office stopped in a call") << false << true;
    }
    void closingDuringARun()
    {
        QFETCH(bool, bySignal);
        QFETCH(bool, officeStopped);
        QTemporaryDir dir;
        const QString in = dir.filePath("in"), out = dir.filePath("out");
        QVERIFY(QDir().mkpath(in) && QDir().mkpath(out));
        BoxScript boxes; // nothing may be shown: not the lost office, not "Done."
        Program program(QCoreApplication::applicationDirPath(), &boxes);
        OfficeConnection& office = program.office();
        SheetFixture fixture(office);
        QStringList paths;
        for (int i = 1; i <= 3; ++i) {
            paths << QString("%1/%2.ods").arg(in).arg(i);
            fixture.writeTexts(paths.last(), {{{"p", "p"}}});
        }
        const qint64 pid = office.processId();

        Form1& form = program.window();
        QVERIFY(program.start());
        QSignalSpy closing(&form, &Form1::closing);
        for (const QString& p : paths)
            files(form).appendRow(p);
        control<QLineEdit>(form, "Text3")->setText(out);
        // The second file is still in the engine's pause after loading when the user closes.
        form.setLoadWaitSeconds(officeStopped ? 0 : 5);
        QElapsedTimer sinceClose;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (officeStopped) {
                // Inside the second file: the office stops, and the window
                // closes while a call to it waits.
                if (!QFile::exists(out + "/1.ods") || !boxes.busy() || !closing.isEmpty())
                    return;
                ::kill(pid_t(pid), SIGSTOP);
                if (office.callUnderWay()) {
                    sinceClose.start();
                    form.close();
                }
                return;
            }
            if (QFile::exists(out + "/1.ods") && !form.isHidden() && closing.isEmpty()) {
                if (bySignal)
                    ::raise(SIGTERM);
                else
                    form.close();
            }
        });
        watch.start(20);

        click(form, "PushButton2");
        if (officeStopped) {
            QVERIFY2(sinceClose.isValid(), "no call waited on the stopped office");
            qInfo("the run ended %lld ms after the window closed", sinceClose.elapsed());
            QVERIFY2(sinceClose.elapsed() < 30000, "the window waited for the office's call to end");
        }

        // The system's request closes the window from the event loop, which
        // the run may have left already.
        QTRY_COMPARE(closing.count(), 1);
        QVERIFY(!form.running());
        QVERIFY(boxes.shown.isEmpty());
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList({"1.ods"}));
        // Ended at once; a killed office is gone once the connection takes in its exit.
        QTRY_VERIFY2_WITH_TIMEOUT(office.processId() == 0 && ::kill(pid_t(pid), 0) != 0, "the office outlived the window",
                                  30000);
    }
};

QTEST_MAIN(TestWindowClose)
#include "test_window_close.moc"
