// Closing the main window in the middle of a run ends the program at once:
// the office goes, nothing more is processed or shown, nothing half-written
// is left. (A program of its own: once closed, the program stays ending.)

#include "BoxScript.h"
#include "FileList.h"
#include "FormDriver.h"
#include "OfficeConnection.h"
#include "SheetFixture.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

class TestWindowClose : public QObject {
    Q_OBJECT
private slots:
    void closingDuringARun()
    {
        QTemporaryDir dir;
        const QString in = dir.filePath("in"), out = dir.filePath("out");
        QVERIFY(QDir().mkpath(in) && QDir().mkpath(out));
        OfficeConnection office;
        SheetFixture fixture(office);
        QStringList paths;
        for (int i = 1; i <= 3; ++i) {
            paths << QString("%1/%2.ods").arg(in).arg(i);
            fixture.writeTexts(paths.last(), {{{"p", "p"}}});
        }
        const qint64 pid = office.processId();

        BoxScript boxes; // nothing may be shown: not the lost office, not "Done."
        Form1 form(office, boxes, QCoreApplication::applicationDirPath());
        form.Form_Load();
        form.show();
        QObject::connect(&form, &Form1::closing, [&office] { office.shutdown(); });
        QSignalSpy closing(&form, &Form1::closing);
        for (const QString& p : paths)
            FileList::AppendRow(list(form), p);
        control<QLineEdit>(form, "Text3")->setText(out);
        // The second file is still in the engine's pause after loading when the user closes.
        form.setLoadWaitSeconds(5);
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (QFile::exists(out + "/1.ods") && !form.isHidden())
                form.close();
        });
        watch.start(20);

        click(form, "PushButton2");

        QCOMPARE(closing.count(), 1);
        QVERIFY(!form.running());
        QVERIFY(boxes.shown.isEmpty());
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList({"1.ods"}));
        QVERIFY2(::kill(pid_t(pid), 0) != 0, "the office outlived the window");
    }
};

QTEST_MAIN(TestWindowClose)
#include "test_window_close.moc"
