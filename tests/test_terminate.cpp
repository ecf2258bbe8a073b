// A termination signal in the middle of a long file ends the office and the
// program at once, through the program's own wiring, and stores nothing for
// that file.

#include "BoxScript.h"
#include "FileList.h"
#include "FormDriver.h"
#include "Program.h"
#include "SheetFixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

class TestTerminate : public QObject {
    Q_OBJECT
private slots:
    void signalDuringALongFile()
    {
        QTemporaryDir dir;
        const QString in = dir.filePath("in"), out = dir.filePath("out");
        QVERIFY(QDir().mkpath(in) && QDir().mkpath(out));
        BoxScript boxes; // nothing may be shown
        Program program(QCoreApplication::applicationDirPath(), &boxes);
        OfficeConnection& office = program.office();
        SheetFixture fixture(office);
        // Formulas over repeats keep the engine talking to the office for seconds.
        QList<QStringList> rows;
        for (int r = 0; r < 1500; ++r) {
            QStringList row;
            for (int c = 0; c < 10; ++c)
                row << (c % 2 ? QString("=A%1").arg(r + 1) : QString("t%1").arg((r * 10 + c) % 50));
            rows << row;
        }
        fixture.writeTexts(in + "/long.ods", {rows}, {}, true);
        const qint64 pid = office.processId();

        Form1& form = program.window();
        QVERIFY(program.start());
        files(form).appendRow(in + "/long.ods");
        control<QLineEdit>(form, "Text3")->setText(out);
        form.setLoadWaitSeconds(0);
        QElapsedTimer busyFor, sinceSignal;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (!form.running() || sinceSignal.isValid())
                return;
            if (!busyFor.isValid())
                busyFor.start();
            else if (busyFor.elapsed() > 1500) {
                sinceSignal.start();
                ::raise(SIGTERM);
            }
        });
        watch.start(20);

        click(form, "PushButton2");
        const qint64 ended = sinceSignal.isValid() ? sinceSignal.elapsed() : -1;
        qInfo("the run ended %lld ms after the signal", ended);

        QVERIFY2(ended >= 0, "the file was done before the signal: make it longer");
        QVERIFY(boxes.shown.isEmpty());
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList());
        QTRY_VERIFY2(::kill(pid_t(pid), 0) != 0, "the office outlived the signal");
    }
};

QTEST_MAIN(TestTerminate)
#include "test_terminate.moc"
