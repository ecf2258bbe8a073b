// A termination signal in the middle of a long file ends the office and the
// program at once, as the program wires it, and stores nothing for that file.
// (A program of its own: once ended, the program stays ending.)

#include "BoxScript.h"
#include "FileList.h"
#include "FormDriver.h"
#include "Lifetime.h"
#include "OfficeConnection.h"
#include "Platform.h"
#include "SheetFixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
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
        OfficeConnection office;
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

        Form1 form(office, QCoreApplication::applicationDirPath());
        form.Form_Load();
        form.show();
        // As the program wires it.
        QObject::connect(&form, &Form1::closing, [&office] { office.shutdown(); });
        Platform::onTerminationRequest([&form] { form.close(); },
                                       [&office] {
                                           Lifetime::requestQuit();
                                           office.abortCall();
                                       });
        FileList::AppendRow(list(form), in + "/long.ods");
        control<QLineEdit>(form, "Text3")->setText(out);
        form.setLoadWaitSeconds(0);
        QElapsedTimer busyFor, sinceSignal;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (!QGuiApplication::overrideCursor() || sinceSignal.isValid())
                return;
            if (!busyFor.isValid())
                busyFor.start();
            else if (busyFor.elapsed() > 1500) {
                sinceSignal.start();
                ::raise(SIGTERM);
            }
        });
        watch.start(20);

        BoxScript boxes; // nothing may be shown
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
