// Path, file and time utilities, and the error report's text.

#include "BoxScript.h"
#include "CsvText.h"
#include "ErrorReport.h"
#include "FileUtils.h"
#include "Paths.h"
#include "Platform.h"
#include "ShippedFiles.h"
#include "TextMatch.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstring>
#include <ctime>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using Paths::Style;

class TestUtil : public QObject {
    Q_OBJECT
private slots:
    void fileName_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("windows full path") << "C:\\a\\b.ods"
                                           << "b.ods";
        QTest::newRow("windows bare name") << "b.ods"
                                           << "b.ods";
        QTest::newRow("windows trailing separator gives empty") << "C:\\a\\"
                                                                << "";
        QTest::newRow("posix full path") << "/a/b.ods"
                                         << "b.ods";
        QTest::newRow("posix trailing separator gives empty") << "/a/"
                                                              << "";
    }
    void fileName()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        const Style style = path.contains('\\') ? Style::Windows : Style::Posix;
        QCOMPARE(Paths::GetFileName(path, style), expected);
    }

    void extension_data()
    {
        QTest::addColumn<QString>("s");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "report.ods"
                               << "ods";
        QTest::newRow("no dot gives the whole text") << "report"
                                                     << "report";
        QTest::newRow("only a leading dot gives the whole text") << ".ods"
                                                                 << ".ods";
        QTest::newRow("last dot wins") << "a.b.c"
                                       << "c";
        QTest::newRow("trailing dot gives empty") << "name."
                                                  << "";
        QTest::newRow("dot in folder counts") << "C:\\my.dir\\file"
                                              << "dir\\file";
        QTest::newRow("empty") << ""
                               << "";
    }
    void extension()
    {
        QFETCH(QString, s);
        QFETCH(QString, expected);
        QCOMPARE(Paths::GetExtension(s), expected);
    }

    void collapse_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("expected");
        const int win = int(Style::Windows), posix = int(Style::Posix);
        QTest::newRow("pairs replaced once, no second pass") << "C:\\\\x\\\\\\\\y.ods" << win << "C:\\x\\\\y.ods";
        QTest::newRow("odd run keeps the odd one") << "a\\\\\\b" << win << "a\\\\b";
        QTest::newRow("network path keeps its pair") << "\\\\server\\\\share" << win << "\\\\server\\share";
        QTest::newRow("long leading run becomes a pair") << "\\\\\\\\server\\share" << win << "\\\\server\\share";
        QTest::newRow("single leading becomes a pair") << "\\dir\\file" << win << "\\\\dir\\file";
        QTest::newRow("only separators") << "\\\\\\" << win << "\\\\";
        QTest::newRow("empty") << "" << win << "";
        QTest::newRow("drive root joined with a name") << "D:\\\\a.ods" << win << "D:\\a.ods";
        QTest::newRow("posix root stays single") << "/home//u/x.ods" << posix << "/home/u/x.ods";
        QTest::newRow("posix leading run is the root") << "///tmp/a" << posix << "/tmp/a";
        QTest::newRow("posix results folder with trailing separator") << "/out//a.sxw" << posix << "/out/a.sxw";
        QTest::newRow("backslash is a name character on posix") << "/a\\\\b" << posix << "/a\\\\b";
    }
    void collapse()
    {
        QFETCH(QString, path);
        QFETCH(int, style);
        QFETCH(QString, expected);
        QCOMPARE(Paths::CollapseBackslashes(path, Style(style)), expected);
    }

    void replaceExtension_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("extension replaced") << "Sales.ods"
                                            << "Sales.sxw";
        QTest::newRow("only the last one") << "a.b.xls"
                                           << "a.b.sxw";
        QTest::newRow("no dot appends") << "Report"
                                        << "Report.sxw";
        QTest::newRow("leading dot only appends") << ".hidden"
                                                  << ".hidden.sxw";
        QTest::newRow("trailing dot") << "name."
                                      << "name.sxw";
    }
    void replaceExtension()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(Paths::ReplaceExtension(name, "sxw"), expected);
    }

    // Two texts are the same to a mode when their keys are.
    void matchKeys_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        const auto row = [](const char* name, const char* mode, const QString& a, const QString& b, bool same) {
            QTest::newRow(name) << QString(mode) << a << b << same;
        };
        row("exact tells case apart", "exact", "ACME Ltd", "Acme Ltd", false);
        row("exact tells a trailing blank", "exact", "Acme Ltd ", "Acme Ltd", false);
        row("case ignores case", "case", "ACME Ltd", "acme ltd", true);
        row("case folds fully, one letter to two", "case", "Straße", "STRASSE", true);
        row("case keeps blanks", "case", "Acme Ltd ", "Acme Ltd", false);
        row("case keeps compatibility forms", "case", u"Ａ"_qs, "A", false);
        row("space trims the ends", "space", "  Acme Ltd	", "Acme Ltd", true);
        row("space takes a no-break space for a blank", "space", u"Acme Ltd"_qs, "Acme Ltd", true);
        row("space takes a run of Unicode spaces for one", "space", u"Acme    Ltd"_qs, "Acme Ltd", true);
        row("space keeps words apart", "space", "AcmeLtd", "Acme Ltd", false);
        row("space keeps case", "space", "acme ltd", "Acme Ltd", false);
        row("loose: a full-width letter", "loose", u"Ａcme"_qs, "acme", true);
        row("loose: a ligature", "loose", u"ﬁne"_qs, "FINE", true);
        row("loose: all at once", "loose", u" ACME  Ｌtd "_qs, "acme ltd", true);
        row("loose keeps other letters apart", "loose", "Acme", "Acne", false);
    }
    void matchKeys()
    {
        QFETCH(QString, mode);
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, same);
        const std::optional<Match> match = matchMode(mode);
        QVERIFY(match);
        QCOMPARE(matchKey(a, *match) == matchKey(b, *match), same);
    }

    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("plain") << "3" << 3.0;
        QTest::newRow("blanks skipped") << "  12  " << 12.0;
        QTest::newRow("trailing letters ignored") << "12a" << 12.0;
        QTest::newRow("point is the decimal separator") << "2.5" << 2.5;
        QTest::newRow("comma ends the number") << "2,5" << 2.0;
        QTest::newRow("negative") << "-3" << -3.0;
        QTest::newRow("exponent") << "1e3" << 1000.0;
        QTest::newRow("exponent without digits is not one") << "4e" << 4.0;
        QTest::newRow("no number reads 0") << "abc" << 0.0;
        QTest::newRow("empty reads 0") << "" << 0.0;
        QTest::newRow("huge stays huge") << "99999999999" << 99999999999.0;
        QTest::newRow("lone sign reads 0") << "-" << 0.0;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(Paths::LeadingNumber(text), expected);
    }

    // The report's lines: what a spreadsheet or a script reads back.
    void csvLine_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("plain, CRLF at the end") << QStringList{"a", "b"} << QByteArray("a,b\r\n");
        QTest::newRow("empty fields kept") << QStringList{"a", "", ""} << QByteArray("a,,\r\n");
        QTest::newRow("a comma quoted") << QStringList{"x,y", "z"} << QByteArray("\"x,y\",z\r\n");
        QTest::newRow("quotes doubled") << QStringList{"say \"hi\""} << QByteArray("\"say \"\"hi\"\"\"\r\n");
        QTest::newRow("line breaks quoted") << QStringList{"a\nb", "c\rd"} << QByteArray("\"a\nb\",\"c\rd\"\r\n");
        QTest::newRow("UTF-8") << QStringList{u"Straße"_qs} << QByteArray("Straße\r\n");
    }
    void csvLine()
    {
        QFETCH(QStringList, fields);
        QFETCH(QByteArray, expected);
        QCOMPARE(CsvText::line(fields), expected);
        QStringList back;
        CsvText::Reader reader([&](int, int, QString&& text, bool) { back << text; }, [](int, int) {});
        reader.feed(QString::fromUtf8(expected));
        reader.finish();
        QCOMPARE(back, fields);
    }

    void errorReportText()
    {
        const QString text = ErrorReport::text({"Disk full", ErrorReport::location("Calc1", "DoItByFile"), 242});
        QCOMPARE(text,
                 QString("Disk full\r\nin Sievekit2021/08/31.Calc1.DoItByFile at line 242\r\r"
                         "Please email screenshot of this message to support@tamberlin.example"));
        QCOMPARE(ErrorReport::location("AddFolder", "GetSubDirectories2016", ErrorReport::WalkProject),
                 QString("BrindleTitle2021/08/31.AddFolder.GetSubDirectories2016"));
    }

    void stepGuardReportsAndGoesOn()
    {
        BoxScript boxes;
        boxes.answer(Host::Ok);
        StepGuard step(boxes, ErrorReport::location("Form1", "Form_Load"));
        QStringList ran;
        step(100, [&] { ran << "100"; });
        step(102, [&] { throw std::runtime_error("broken"); });
        step(104, [&] { ran << "104"; });
        QCOMPARE(ran, QStringList({"100", "104"}));
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].title, QString("Application Error"));
        QCOMPARE(boxes.shown[0].icon, Host::Exclamation);
        QCOMPARE(boxes.shown[0].buttons, int(Host::Ok));
        QVERIFY(boxes.shown[0].text.startsWith("broken\r\nin Sievekit2021/08/31.Form1.Form_Load at line 102\r\r"));
    }

    void stepGuardStopsAfterAbandon()
    {
        struct Lost : std::runtime_error, Abandon {
            Lost() : std::runtime_error("gone") { }
        };
        BoxScript boxes;
        boxes.answer(Host::Ok);
        StepGuard step(boxes, "X.Y.Z");
        bool later = false;
        step(100, [] { throw Lost(); });
        step(102, [&] { later = true; });
        QVERIFY(!later);
        QVERIFY(step.stopped());
        QCOMPARE(boxes.shown.size(), 1);
    }

    // Once the program is ending, boxes take their default unseen.
    void noBoxOnceQuitting()
    {
        BoxScript boxes;
        boxes.requestQuit();
        boxes.information("late");
        QCOMPARE(boxes.question("late?"), Host::Yes);
        StepGuard(boxes, "X.Y.Z").report(100, "late failure");
        QVERIFY(boxes.shown.isEmpty());
    }

    void fileTests()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("a.ods");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QVERIFY(FileUtils::FileExists(file));
        QVERIFY(!FileUtils::FileExists(dir.filePath("missing")));
        QVERIFY(!FileUtils::FileExists(""));
        QVERIFY(FileUtils::IsFolder(dir.path()));
        QVERIFY(!FileUtils::IsFolder(file));
        QVERIFY(!FileUtils::IsFolder(dir.filePath("missing")));
        QVERIFY(!FileUtils::IsFolder(""));
    }

    void shippedFolder_data()
    {
        QTest::addColumn<QStringList>("beside");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("expectInstalled");
        QTest::newRow("build folder") << QStringList{"Samples/a.ods", "x/o.cjs", "HAND-M.CUR", "drag.ico"} << true
                                      << false;
        QTest::newRow("only a cursor beside") << QStringList{"HAND-M.CUR"} << true << false;
        QTest::newRow("installed") << QStringList{} << true << true;
        QTest::newRow("unrelated file beside") << QStringList{"readme.txt"} << true << true;
        QTest::newRow("nowhere") << QStringList{} << false << false;
    }
    void shippedFolder()
    {
        QFETCH(QStringList, beside);
        QFETCH(bool, installed);
        QFETCH(bool, expectInstalled);
        QTemporaryDir dir;
        const QString program = dir.filePath("prefix/bin");
        const QString share = QDir::cleanPath(program + "/" CW_SHARE_FROM_BIN);
        QVERIFY(QDir().mkpath(program));
        for (const QString& name : beside) {
            QVERIFY(QDir().mkpath(QFileInfo(program + "/" + name).path()));
            QFile f(program + "/" + name);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        if (installed)
            QVERIFY(QDir().mkpath(share + "/Samples"));
        QCOMPARE(ShippedFiles::Folder(program), expectInstalled ? share : program);
    }

    void killFile()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("ro.ods");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QFile::setPermissions(file, QFile::ReadOwner);
        FileUtils::KillFile(file);
        QVERIFY(!QFile::exists(file));
        FileUtils::KillFile(dir.filePath("missing")); // silent
        FileUtils::KillFile(dir.path()); // a folder is not a file
        QVERIFY(QFileInfo(dir.path()).isDir());
    }

    void replaceFileKeepsTargetOnFailure()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath("a.ods");
        QFile t(target);
        QVERIFY(t.open(QIODevice::WriteOnly));
        t.write("old");
        t.close();
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, FileUtils::ReplaceFile(dir.filePath("missing.sxw"), target));
        QVERIFY(QFile::exists(target));
        QFile s(dir.filePath("a.sxw"));
        QVERIFY(s.open(QIODevice::WriteOnly));
        s.write("new");
        s.close();
        FileUtils::ReplaceFile(dir.filePath("a.sxw"), target);
        QVERIFY(t.open(QIODevice::ReadOnly));
        QCOMPARE(t.readAll(), QByteArray("new"));
        QVERIFY(!QFile::exists(dir.filePath("a.sxw")));
    }

    // A later process has a later start time; one that ended has none.
    void processStartTimeTellsRuns()
    {
        const QString own = Platform::processStartTime(QCoreApplication::applicationPid());
        QProcess child;
        child.start("cat", {});
        QVERIFY(child.waitForStarted());
        const QString theirs = Platform::processStartTime(child.processId());
        QVERIFY(own.toLongLong() > 0 && theirs.toLongLong() >= own.toLongLong());
        QVERIFY(Platform::processRuns(child.processId()));
        child.closeWriteChannel();
        QVERIFY(child.waitForFinished());
        QCOMPARE(Platform::processStartTime(child.processId()), QString());
        QVERIFY(!Platform::processRuns(child.processId()));
    }

    // A child is ended through its own handle while it runs; once it has
    // ended and been reaped, nothing is sent, whoever has its id by then.
    void childProcessIsSignalledOnlyWhileItRuns()
    {
        QProcess child;
        child.start("cat", {});
        QVERIFY(child.waitForStarted());
        Platform::ChildProcess handle(child.processId());
        QVERIFY(!handle.ended());
        QVERIFY(handle.kill());
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QVERIFY(handle.ended());
        QVERIFY(!handle.kill());
    }

    // Leftover pipes are removed by their names: nothing but a socket goes.
    void removeOwnSocketOnly_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("socket") << "socket";
        QTest::newRow("file") << "file";
        QTest::newRow("folder") << "folder";
        QTest::newRow("link to a socket") << "link";
        QTest::newRow("missing") << "missing";
    }
    void removeOwnSocketOnly()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString socket = dir.filePath("s"), path = kind == "socket" ? socket : dir.filePath("p");
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, QFile::encodeName(socket).constData(), sizeof address.sun_path - 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0);
        ::close(fd);
        if (kind == "file")
            QVERIFY(QFile(path).open(QIODevice::WriteOnly));
        if (kind == "folder")
            QVERIFY(QDir().mkdir(path));
        if (kind == "link")
            QVERIFY(QFile::link(socket, path));
        QCOMPARE(Platform::removeOwnSocket(path), kind == "socket");
        QCOMPARE(QFileInfo::exists(path) || QFileInfo(path).isSymLink(), kind != "socket" && kind != "missing");
        QCOMPARE(QFileInfo::exists(socket), kind != "socket");
    }

    void waitKeepsEventsFlowingWithoutSpinning()
    {
        int ticks = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(20);
        QElapsedTimer wall;
        wall.start();
        const std::clock_t cpuBefore = std::clock();
        ConsoleHost host;
        FileUtils::Wait(0.5, host);
        const double cpuSeconds = double(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
        QVERIFY(wall.elapsed() >= 500);
        QVERIFY2(ticks >= 3, "events were not processed while waiting");
        // A busy poll would burn the whole half second.
        QVERIFY2(cpuSeconds < 0.25, qPrintable(QString("used %1 s of processor").arg(cpuSeconds)));
    }

    void desktopFolderEndsInSeparator() { QVERIFY(FileUtils::GetDesktopFolder().endsWith(QDir::separator())); }
};

QTEST_GUILESS_MAIN(TestUtil)
#include "test_util.moc"
