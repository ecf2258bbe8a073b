// Faults and bad input with the real office: a killed or frozen office,
// unusable inputs, results that cannot be written. The run goes on, nothing is
// lost, nothing half-written is left.

#include "BoxScript.h"
#include "Calc1.h"
#include "FileList.h"
#include "FormDriver.h"
#include "OfficeConnection.h"
#include "OfficeTest.h"
#include "SheetFixture.h"
#include "SmallDisk.h"
#include "TestSettings.h"
#include "WorkFolders.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <thread>

namespace {

QByteArray digest(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "missing";
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

QByteArray writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return bytes;
}

QStringList files(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden);
}

} // namespace

class TestFaults : public OfficeTest {
    Q_OBJECT

    // Runs the engine on one file; returns the reports shown.
    QStringList process(const QString& input, const QString& folder, double wait = 0,
                        const std::function<void()>& duringWait = {})
    {
        TestSettings settings;
        settings.folder = folder;
        BoxScript boxes;
        boxes.answer(Host::Ok, 5);
        QTimer timer;
        if (duringWait) {
            timer.setSingleShot(true);
            connect(&timer, &QTimer::timeout, duringWait);
            timer.start(int(wait * 1000 / 4));
        }
        SeenTexts seen;
        Calc1::DoItByFile(input, seen, {*office, settings, boxes, wait});
        QStringList reports;
        for (const auto& box : boxes.shown)
            reports << box.text.section("\r\n", 0, 0) + " @ " + box.text.section("at line ", 1).section('\r', 0, 0);
        return reports;
    }

private slots:
    void initTestCase()
    {
        OfficeConnection::Options options;
        // A user's is minutes; here a frozen office is given up sooner, though
        // never before a busy machine's office has done a call.
        options.callTimeoutMs = 15000;
        QVERIFY2(startOffice(options), NoOffice);
    }

    void killedOrFrozenOffice_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("inACall"); // else between two calls
        QTest::addColumn<QString>("says");
        QTest::newRow("killed") << int(SIGKILL) << false << "";
        QTest::newRow("frozen") << int(SIGSTOP) << false << "The office did not answer within 15 seconds and was ended";
        // Its pipe closes under the call, and the connection then ends what
        // is left of it: a write to that pipe fails the file, not the program.
        QTest::newRow("killed in a call") << int(SIGKILL) << true << "";
    }
    void killedOrFrozenOffice()
    {
        QFETCH(int, signal);
        QFETCH(bool, inACall);
        QFETCH(QString, says);
        fixture->writeTexts(in + "/a.ods", {{{"k", "k"}}});
        fixture->writeTexts(in + "/b.ods", {{{"j", "j"}}});
        fixture->writeTexts(out + "/a.ods", {{{"earlier"}}});
        const QByteArray input = digest(in + "/a.ods"), earlier = digest(out + "/a.ods");
        const qint64 pid = office->processId();
        QVERIFY(pid > 0);
        std::thread killer;
        const QStringList reports = process(in + "/a.ods", out, 1.0, [&] {
            if (!inACall) {
                ::kill(pid_t(pid), signal);
                return;
            }
            // Stopped, the office cannot answer the next call; killed once
            // the call waits on it.
            ::kill(pid_t(pid), SIGSTOP);
            killer = std::thread([&, before = office->calls()] {
                office->waitForCall(before, 60000);
                ::kill(pid_t(pid), signal);
            });
        });
        if (killer.joinable())
            killer.join();
        QCOMPARE(reports.size(), 1); // one report for the file, at the step that met the loss
        QVERIFY2(reports[0].endsWith("@ 114"), qPrintable(reports[0]));
        if (!says.isEmpty())
            QVERIFY2(reports[0].startsWith(says), qPrintable(reports[0]));
        QCOMPARE(digest(in + "/a.ods"), input);
        QCOMPARE(digest(out + "/a.ods"), earlier);
        QCOMPARE(files(out), QStringList({"a.ods"}));
        QCOMPARE(files(in), QStringList({"a.ods", "b.ods"})); // no lock file left beside the user's input
        // The next file gets a fresh office.
        QVERIFY(process(in + "/b.ods", out).isEmpty());
        QCOMPARE(fixture->read(out + "/b.ods")[0][0], QStringList({"j"}));
        QVERIFY(office->processId() != pid);
        QVERIFY(::kill(pid_t(pid), 0) != 0);
    }

    void unusableInputs_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("empty file") << "empty";
        QTest::newRow("random bytes named .ods") << "random";
        QTest::newRow("a text file named .ods") << "text";
        QTest::newRow("password-protected") << "password";
        QTest::newRow("deleted after it was listed") << "deleted";
        QTest::newRow("a folder") << "folder";
        QTest::newRow("a name the file system refuses") << "refused";
    }
    void unusableInputs()
    {
        QFETCH(QString, kind);
        QString input = in + "/bad.ods";
        if (kind == "empty")
            writeBytes(input, {});
        else if (kind == "random") {
            QByteArray bytes;
            for (int i = 0; i < 5000; ++i)
                bytes += char((i * 7919 + 13) % 256);
            writeBytes(input, bytes);
        } else if (kind == "text")
            writeBytes(input, "Dear reader,\nthis is not a spreadsheet.\n");
        else if (kind == "password")
            fixture->writeTexts(input, {{{"secret", "secret"}}}, "opensesame");
        else if (kind == "folder")
            QVERIFY(QDir().mkpath(input));
        else if (kind == "refused")
            input = in + '/' + QString(300, 'n') + ".ods";
        const QByteArray before = digest(input);
        const QStringList reports = process(input, out);
        QCOMPARE(reports.size(), 1);
        QVERIFY2(reports[0].endsWith("@ 106"), qPrintable(reports[0]));
        QCOMPARE(digest(input), before);
        QCOMPARE(files(out), QStringList());
    }

    void resultsCannotBeWritten_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("says");
        QTest::newRow("read-only folder") << "read-only"
                                          << "The results folder DISK is on a disk that may only be read";
        QTest::newRow("folder full") << "full"
                                     << "No space left on the disk of the results folder DISK";
        QTest::newRow("folder gone during the run") << "gone"
                                                    << "The results folder DISK is not there any more";
    }
    void resultsCannotBeWritten()
    {
        QFETCH(QString, how);
        QFETCH(QString, says);
        QStringList rows;
        // Texts that pack badly: the result must not fit the full disk.
        for (int i = 0; i < 1500; ++i)
            rows << QCryptographicHash::hash(QByteArray::number(i), QCryptographicHash::Sha1).toHex();
        fixture->writeTexts(in + "/a.ods", {{rows, rows}});
        const QString results = dir.filePath("disk");
        SmallDisk disk(results, how == "full" ? "24k" : "4m");
        REQUIRE_MOUNTED(disk);
        const QByteArray earlier = writeBytes(results + "/a.ods", "an earlier result");
        const QByteArray input = digest(in + "/a.ods");
        if (how == "read-only")
            QVERIFY(disk.makeReadOnly());
        QStringList reports = process(in + "/a.ods", results, how == "gone" ? 1.0 : 0, [&] {
            if (how == "gone") {
                QFile::remove(results + "/a.ods");
                disk.unmount();
                QDir(results).removeRecursively();
            }
        });
        QCOMPARE(reports.size(), 1);
        QCOMPARE(reports[0], says.replace("DISK", results) + " @ 242");
        QCOMPARE(digest(in + "/a.ods"), input);
        if (how == "gone") {
            QVERIFY(!QFileInfo::exists(results)); // nothing made it appear again
        } else {
            QCOMPARE(digest(results + "/a.ods"), QCryptographicHash::hash(earlier, QCryptographicHash::Sha256));
            QCOMPARE(files(results), QStringList({"a.ods"}));
        }
    }

    void relativeResultsFolder()
    {
        fixture->writeTexts(in + "/a.ods", {{{"r", "r"}}});
        const QString before = QDir::currentPath();
        QDir::setCurrent(dir.path());
        QDir().mkpath("relative");
        const QStringList reports = process(in + "/a.ods", "relative");
        QDir::setCurrent(before);
        QVERIFY(reports.isEmpty());
        QCOMPARE(files(dir.filePath("relative")), QStringList({"a.ods"}));
    }

    void inputReplacedOnlyByACompleteResult()
    {
        const QString folder = dir.filePath("own");
        SmallDisk disk(folder, "256k");
        REQUIRE_MOUNTED(disk);
        QStringList rows;
        for (int i = 0; i < 600; ++i)
            rows << QCryptographicHash::hash(QByteArray::number(i % 400), QCryptographicHash::Sha1).toHex();
        fixture->writeTexts(in + "/a.ods", {{rows}});
        QVERIFY(QFile::copy(in + "/a.ods", folder + "/a.ods"));
        // Fill the disk so that the office can still open the input (its lock
        // file takes a page) but cannot store the result beside it.
        QFile filler(folder + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(4096, 'f')) == 4096) { }
        filler.resize(filler.size() - 3 * 4096);

        filler.close();
        const QByteArray input = digest(folder + "/a.ods");
        const QStringList reports = process(folder + "/a.ods", folder);
        QCOMPARE(reports.size(), 1);
        QVERIFY2(reports[0].endsWith("@ 242"), qPrintable(reports[0]));
        QCOMPARE(digest(folder + "/a.ods"), input);
        QCOMPARE(files(folder), QStringList({"a.ods", "filler"}));
    }

    void aRunGoesOnPastAKilledOffice()
    {
        QStringList paths;
        for (const char* name : {"1.ods", "2.ods", "3.ods"}) {
            paths << in + '/' + name;
            fixture->writeTexts(paths.last(), {{{name, name}}});
        }
        BoxScript boxes;
        Run::Service run(*office);
        Form1 form(run, boxes, dir.path());
        form.Form_Load();
        form.setLoadWaitSeconds(0.8);
        for (const QString& p : paths)
            files(form).appendRow(p);
        control<QLineEdit>(form, "Text3")->setText(out);
        QTimer killer;
        connect(&killer, &QTimer::timeout, [&] {
            // In the engine's pause after loading the file, not before its start.
            if (progress(form)->text() == "Processing: 2.ods" && boxes.busy() && office->processId() > 0)
                ::kill(pid_t(office->processId()), SIGKILL);
        });
        killer.start(50);
        boxes.answer(Host::Ok, 2);
        click(form, "PushButton2");
        QCOMPARE(boxes.shown.size(), 2);
        QVERIFY(boxes.shown[0].text.contains("Calc1.DoItByFile at line"));
        QCOMPARE(boxes.shown[1].text, QString("Done."));
        QCOMPARE(files(out), QStringList({"1.ods", "3.ods"}));
    }
};

QTEST_MAIN(TestFaults)
#include "test_faults.moc"
