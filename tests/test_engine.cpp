// The engine's own logic, against the in-memory office.

#include "BoxScript.h"
#include "Calc1.h"
#include "FakeOffice.h"
#include "ScopeCases.h"
#include "TestSettings.h"
#include "WorkFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

// "at line N" of every error report shown, with its procedure.
QStringList reportedSteps(const BoxScript& boxes)
{
    QStringList steps;
    static const QRegularExpression where(R"(in Sievekit2021/08/31\.Calc1\.(\w+) at line (\d+))");
    for (const auto& box : boxes.shown) {
        const auto m = where.match(box.text);
        steps << (m.hasMatch() ? m.captured(1) + ':' + m.captured(2) : box.text);
    }
    return steps;
}

// x, A2 = A1, x, A4 = A3 (shows 0 once A3 is emptied), 0 (a repeat of it),
// A6 = A5, A7 = A6: read in rounds, with a take-back.
FakeBook roundsBook()
{
    return {{{"x"}, {"=A1"}, {"x"}, {"=A3"}, {"0"}, {"=A5"}, {"=A6"}}};
}

} // namespace

class TestEngine : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString in, out;
    std::unique_ptr<BoxScript> script;
    Calc1::FileResult last; // of the last run

    // Processes one fake file and returns what the result holds.
    FakeBook run(FakeOffice& office, const FakeBook& book, TestSettings settings, const QString& name = "a.ods",
                 bool listEmptied = true)
    {
        const QString input = in + '/' + name;
        FakeOffice::writeBook(input, book);
        if (settings.folder.isEmpty())
            settings.folder = out;
        SeenTexts seen;
        last = Calc1::DoItByFile(input, seen, {office, settings, *script, 0, listEmptied});
        return FakeOffice::readBook(out + '/' + QFileInfo(name).completeBaseName() + ".ods");
    }

private slots:
    void init()
    {
        QVERIFY(dir.isValid());
        QVERIFY(freshFolders(dir, in, out));
        script = std::make_unique<BoxScript>();
    }

    void columnLetters_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("letters");
        QTest::newRow("A") << 1 << "A";
        QTest::newRow("Z") << 26 << "Z";
        QTest::newRow("AA") << 27 << "AA";
        QTest::newRow("AZ") << 52 << "AZ";
        QTest::newRow("BA") << 53 << "BA";
        QTest::newRow("ZZ") << 702 << "ZZ";
        QTest::newRow("past ZZ takes three letters") << 703 << "AAA";
        QTest::newRow("widest sheet") << 16384 << "XFD";
    }
    void columnLetters()
    {
        QFETCH(int, number);
        QFETCH(QString, letters);
        QCOMPARE(Calc1::getColumnLetters(number), letters);
        QCOMPARE(Calc1::getColumnNumber(letters), number);
    }

    void columnLettersRoundTrip()
    {
        for (int n = 1; n <= 20000; ++n)
            QCOMPARE(Calc1::getColumnNumber(Calc1::getColumnLetters(n)), n);
        QCOMPARE(Calc1::getColumnLetters(0), QString());
    }

    void columnNumberOfOddTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("number");
        QTest::newRow("empty names none") << "" << 0;
        QTest::newRow("lower case read as upper") << "ab" << 28;
        QTest::newRow("digit names none") << "A1" << 0;
        QTest::newRow("non-Latin letter names none") << "ÄB" << 0;
        QTest::newRow("blank names none") << " B" << 0;
        QTest::newRow("past the widest sheet still counts") << "XFE" << 16385;
        QTest::newRow("seven letters do not overflow") << "ZZZZZZZ" << 0;
    }
    void columnNumberOfOddTexts()
    {
        QFETCH(QString, text);
        QFETCH(int, number);
        QCOMPARE(Calc1::getColumnNumber(text), number);
    }

    void resultPaths_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("temporary");
        QTest::addColumn<QString>("final");
        QTest::newRow("folder without separator") << "/out"
                                                  << "/in/Sales.ods"
                                                  << "/out/Sales.sxw"
                                                  << "/out/Sales.ods";
        QTest::newRow("folder with separator") << "/out/"
                                               << "/in/Sales.ods"
                                               << "/out/Sales.sxw"
                                               << "/out/Sales.ods";
        QTest::newRow("xls becomes ods") << "/out"
                                         << "/in/Report.xls"
                                         << "/out/Report.sxw"
                                         << "/out/Report.ods";
        QTest::newRow("name without dot gets ods appended") << "/out"
                                                            << "/in.d/Report"
                                                            << "/out/Report.sxw"
                                                            << "/out/Report.ods";
    }
    void resultPaths()
    {
        QFETCH(QString, folder);
        QFETCH(QString, input);
        QFETCH(QString, temporary);
        QFETCH(QString, final);
        QVERIFY(QDir().mkpath(dir.path() + "/out"));
        const Calc1::ResultPaths paths
            = Calc1::ClaimResultPaths(dir.path() + folder, input, "ods", Calc1::Temporary::Named);
        QCOMPARE(paths.temporary, dir.path() + temporary);
        QCOMPARE(paths.final, dir.path() + final);
        // Claimed: the next one, as another process would, gets another name.
        QCOMPARE(Calc1::ClaimResultPaths(dir.path() + folder, input, "ods", Calc1::Temporary::Named).temporary,
                 dir.path() + temporary.chopped(4) + ".1.sxw");
        QVERIFY(QDir(dir.path() + "/out").removeRecursively());
    }

    // The batch command's temporary files are its processes' own, and what
    // a dead process left is removed, never a live one's or the user's.
    void privateTemporaries()
    {
        const Calc1::ResultPaths mine = Calc1::ClaimResultPaths(out, "a.xlsx", "xlsx", Calc1::Temporary::Private),
                                 again = Calc1::ClaimResultPaths(out, "a.xlsx", "xlsx", Calc1::Temporary::Private);
        QVERIFY(mine.temporary != again.temporary);
        QCOMPARE(QFileInfo(mine.temporary).path(), out);
        QVERIFY(QFileInfo(mine.temporary).fileName().startsWith(
            QString(".cellwinnow-%1.").arg(QCoreApplication::applicationPid())));
        QProcess ended;
        ended.start("true");
        QVERIFY(ended.waitForFinished());
        const QString dead = QString("%1/.cellwinnow-%2.123-0123456789ab.tmp").arg(out).arg(ended.processId());
        for (const QString& path : {dead, out + "/.cellwinnow-x.tmp", out + "/a.sxw"})
            QVERIFY(QFile(path).open(QIODevice::WriteOnly));
        QCOMPARE(Calc1::removeDeadTemporaries(out), 1);
        QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden).size(), 4);
        QVERIFY(!QFile::exists(dead) && QFile::exists(mine.temporary));
    }

    // A result in another format keeps the temporary name; text holds one
    // sheet, so a document of more is stored as .ods.
    void resultFormats_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<FakeBook>("book");
        QTest::addColumn<QString>("stored");
        QTest::newRow("xlsx") << "xlsx" << FakeBook{{{"x"}}, {{"y"}}}
                              << "a.sxw FilterName=Calc MS Excel 2007 XML -> a.xlsx";
        QTest::newRow("csv of one sheet")
            << "csv" << FakeBook{{{"x"}}}
            << "a.sxw FilterName=Text - txt - csv (StarCalc),FilterOptions=44,34,76,1,,0,false,true,true,false,false -> a.csv";
        QTest::newRow("csv of two sheets") << "csv" << FakeBook{{{"x"}}, {{"y"}}} << "a.sxw  -> a.ods";
    }
    void resultFormats()
    {
        QFETCH(QString, format);
        QFETCH(FakeBook, book);
        QFETCH(QString, stored);
        FakeOffice office;
        FakeOffice::writeBook(in + "/a.ods", book);
        TestSettings settings;
        settings.folder = out;
        SeenTexts seen;
        const Calc1::FileResult did = Calc1::DoItByFile(
            in + "/a.ods", seen, {office, settings, *script, 0, false, true, true, *Calc1::resultFormat(format)});
        const QString store = office.log.filter("store ").value(0);
        QCOMPARE(store.section('/', -1) + " -> " + QDir(out).entryList(QDir::Files).join(','), stored);
        QCOMPARE(did.storedAs, stored.section('.', -1));
    }

    void temporaryNameNeverTakesAUsersFile()
    {
        QFile user(out + "/a.sxw");
        QVERIFY(user.open(QIODevice::WriteOnly));
        user.write("mine");
        user.close();
        FakeOffice office;
        QCOMPARE(run(office, {{{"x", "x"}}}, {}), FakeBook({{{"x"}}}));
        QVERIFY(user.open(QIODevice::ReadOnly));
        QCOMPARE(user.readAll(), QByteArray("mine"));
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList({"a.ods", "a.sxw"}));
    }

    void fileUrlEscapes_data() { addAwkwardNameCases(); }
    void fileUrlEscapes()
    {
        QFETCH(QString, name);
        const QString path = in + '/' + name;
        const QString url = Calc1::FileUrl(path);
        QVERIFY(url.startsWith("file:///"));
        QVERIFY2(!url.contains(' ') && !url.contains('#'), qPrintable(url));
        QCOMPARE(QUrl(url).toLocalFile(), path);
        // And the whole way through the engine.
        FakeOffice office;
        QCOMPARE(run(office, {{{"x", "y", "x"}}}, {}, name), FakeBook({{{"x", "y"}}}));
    }

    void scopes_data() { addScopeCases(); }
    void scopes()
    {
        QFETCH(FakeBook, book);
        QFETCH(FakeBook, expected);
        FakeOffice office;
        QCOMPARE(run(office, book, scopeSettings(), "a.ods"), expected);
    }

    void bulkClearsRunsAsRanges_data()
    {
        QTest::addColumn<Scope>("scope");
        QTest::addColumn<QString>("cleared");
        QTest::newRow("runs along a row, stacked")
            << Scope::EntireSheet << "emptyRanges 0:1,0:3,0 0:0,1:1,1 0:3,1:3,1 0:1,2:1,3";
        QTest::newRow("runs down a column") << Scope::SingleColumn << "emptyRanges 0:1,1:1,3";
    }
    void bulkClearsRunsAsRanges()
    {
        QFETCH(Scope, scope);
        QFETCH(QString, cleared);
        FakeOffice office;
        TestSettings settings;
        settings.scope = scope;
        settings.column = "B";
        run(office, {{{"a", "a", "a", "a"}, {"a", "a", "b", "a"}, {"c", "a"}, {"", "a"}}}, settings);
        QCOMPARE(office.log.filter("emptyRanges"), QStringList{cleared});
    }

    void seenTextsBelongToOneDocument()
    {
        FakeOffice office;
        TestSettings settings;
        QCOMPARE(run(office, {{{"x", "x"}}}, settings, "a.ods"), FakeBook({{{"x"}}}));
        QCOMPARE(run(office, {{{"x", "y"}}}, settings, "b.ods"), FakeBook({{{"x", "y"}}}));
    }

    void resultReplacesInputInItsOwnFolder()
    {
        FakeOffice office;
        TestSettings settings;
        settings.folder = in;
        const QString input = in + "/a.ods";
        FakeOffice::writeBook(input, {{{"x", "x"}}});
        SeenTexts seen;
        Calc1::DoItByFile(input, seen, {office, settings, *script, 0});
        QCOMPARE(FakeOffice::readBook(input), FakeBook({{{"x"}}}));
        QCOMPARE(QDir(in).entryList(QDir::Files), QStringList({"a.ods"}));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("nth");
        QTest::addColumn<bool>("gone");
        QTest::addColumn<QStringList>("reports");
        QTest::addColumn<FakeBook>("expected"); // empty: no result written, the old one kept
        QTest::addColumn<int>("empties"); // -1: not counted
        QTest::addColumn<FakeBook>("input");

        // The book is a b a / b ?a c: "a" at A1, C1, B2 and "b" at B1, A2;
        // B2's text comes only when asked for.
        const FakeBook plain{{{"a", "b", "a"}, {"b", "?a", "c"}}};
        QTest::newRow("no office: nothing else happens")
            << "start" << 1 << false << QStringList{"DoItByFile:102"} << FakeBook{} << 0 << plain;
        QTest::newRow("load failed: nothing scanned or stored")
            << "open" << 1 << false << QStringList{"DoItByFile:106"} << FakeBook{} << 0 << plain;
        QTest::newRow("sheets not counted: nothing scanned or stored")
            << "sheetCount" << 1 << false << QStringList{"DoItByFile:114"} << FakeBook{} << 0 << plain;
        QTest::newRow("texts not read: that sheet is left alone")
            << "readCells" << 1 << false << QStringList{"DoItByFile:138"}
            << FakeBook{{{"a", "b", "a"}, {"b", "?a", "c"}}} << 0 << plain;
        QTest::newRow("a cell not read: that cell is not compared")
            << "shownText" << 1 << false << QStringList{"DoItByFile:138"} << FakeBook{{{"a", "b"}, {"", "?a", "c"}}}
            << 1 << plain;
        QTest::newRow("emptying failed: the cells stay, the rest is stored")
            << "emptyRanges" << 2 << false << QStringList{"DoItByFile:156"} << FakeBook{{{"a", "b"}, {"", "?a", "c"}}}
            << 1 << plain;
        QTest::newRow("store failed: the old result stays")
            << "store" << 1 << false << QStringList{"DoItByFile:242"} << FakeBook{} << 2 << plain;
        QTest::newRow("office lost: one report, nothing stored")
            << "readCells" << 1 << true << QStringList{"DoItByFile:138"} << FakeBook{} << 0 << plain;
        QTest::newRow("office lost while emptying: one report, nothing stored")
            << "emptyRanges" << 1 << true << QStringList{"DoItByFile:156"} << FakeBook{} << 0 << plain;
        // The book of formulas read in rounds, where an emptying is taken
        // back: whatever fails, the cells end as the exact way leaves them.
        const FakeBook rounds = roundsBook(), exact{{{"x"}, {}, {}, {"=A3"}}};
        QTest::newRow("formulas not listed: the exact way") << "formulas" << 1 << false
                                                             << QStringList{"DoItByFile:138"} << exact << -1 << rounds;
        QTest::newRow("formulas not read again: the exact way from there")
            << "shownTexts" << 1 << false << QStringList{"DoItByFile:138"} << exact << -1 << rounds;
        QTest::newRow("no undo: the exact way from there")
            << "keepUndo" << 1 << false << QStringList{"DoItByFile:156"} << exact << -1 << rounds;
        QTest::newRow("emptying not taken back: tried again, the exact way from there")
            << "takeBack" << 1 << false << QStringList{"DoItByFile:156"} << exact << -1 << rounds;
        QTest::newRow("emptyings on a guess never taken back: nothing stored")
            << "takeBack" << 0 << false << QStringList{"DoItByFile:156", "DoItByFile:156"} << FakeBook{} << -1 << rounds;
        QTest::newRow("office lost while reading again: one report, nothing stored")
            << "shownTexts" << 1 << true << QStringList{"DoItByFile:138"} << FakeBook{} << -1 << rounds;
        // The sheets' names are asked of the office for the list of emptied
        // cells, and to tell whether a formula reads another sheet's: its
        // loss there is no unsure answer.
        const FakeBook elsewhere{{{"x"}, {"=$Sheet2.A1"}, {"x"}}, {{"y"}}};
        QTest::newRow("office lost naming a sheet: one report, nothing stored")
            << "sheetName" << 1 << true << QStringList{"DoItByFile:114"} << FakeBook{} << 0 << elsewhere;
        QTest::newRow("office lost naming the sheets a formula reads: one report, nothing stored")
            << "sheetName" << 2 << true << QStringList{"DoItByFile:138"} << FakeBook{} << 0 << elsewhere;
    }
    void failures()
    {
        QFETCH(QString, operation);
        QFETCH(int, nth);
        QFETCH(bool, gone);
        QFETCH(QStringList, reports);
        QFETCH(FakeBook, expected);
        QFETCH(int, empties);
        QFETCH(FakeBook, input);

        const FakeBook old = {{{"old result"}}};
        FakeOffice::writeBook(out + "/a.ods", old);
        FakeOffice office;
        office.failAt(operation, nth, gone);
        BoxScript& boxes = *script;
        boxes.answer(Host::Ok, int(reports.size()));
        const FakeBook result = run(office, input, {});

        QCOMPARE(reportedSteps(boxes), reports);
        QCOMPARE(result, expected.isEmpty() ? old : expected);
        QCOMPARE(last.done, !expected.isEmpty());
        if (empties >= 0)
            QCOMPARE(int(office.log.filter("emptyRanges").size()), empties);
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList({"a.ods"})); // no temporary left
        QCOMPARE(FakeOffice::readBook(in + "/a.ods"), input);
        QCOMPARE(office.callsAfterLoss, 0); // a lost office is asked nothing more
    }

    // Cells the office will not empty stay, and the user hears of them once;
    // a caller that lists the cells gets them in the result instead.
    void keptRepeatsAreReportedOnce()
    {
        const FakeBook book{{{"x", "y"}}, {{"!x", "x", "!x"}, {"!x"}}};
        const FakeBook expected{{{"x", "y"}}, {{"!x", "", "!x"}, {"!x"}}};
        FakeOffice office;
        BoxScript& boxes = *script;
        boxes.answer(Host::Ok);
        QCOMPARE(run(office, book, {}, "a.ods", false), expected);
        QCOMPARE(reportedSteps(boxes), QStringList{"DoItByFile:156"});
        QVERIFY2(boxes.shown[0].text.startsWith("2 repeated cell(s) could not be emptied")
                     && boxes.shown[0].text.contains("the first is Sheet2.C1"),
                 qPrintable(boxes.shown[0].text));

        boxes.fresh();
        QCOMPARE(run(office, book, {}), expected);
        QVERIFY(boxes.shown.isEmpty());
        QCOMPARE(last.kept, qint64(2));
        QCOMPARE(last.emptiedCount, qint64(1));
        QCOMPARE(last.firstKept, std::optional<Calc1::CellPlace>({1, 2, 0}));
        // Only the cell emptied is listed, with the one that kept its text.
        QCOMPARE(last.emptied, QList<Calc1::EmptiedCell>({{{1, 1, 0}, "x", {0, 0, 0}}}));
        QCOMPARE(last.sheetNames, QStringList({"Sheet1", "Sheet2"}));
        QVERIFY(last.done);
    }

    void lostOfficeIsReplacedForTheNextFile()
    {
        FakeOffice office;
        office.failAt("sheetCount", 1, true);
        BoxScript& boxes = *script;
        boxes.answer(Host::Ok);
        run(office, {{{"x", "x"}}}, {}, "a.ods");
        // The file ends at the loss: one report, nothing stored.
        QCOMPARE(reportedSteps(boxes), QStringList{"DoItByFile:114"});
        QVERIFY(!QFile::exists(out + "/a.ods"));
        // The next file asks for an office again rather than using the lost one.
        QCOMPARE(run(office, {{{"y", "y"}}}, {}, "b.ods"), FakeBook({{{"y"}}}));
        QCOMPARE(boxes.shown.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "test_engine.moc"
