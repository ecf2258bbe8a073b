// The engine's own logic, against the in-memory office.

#include "BoxScript.h"
#include "Calc1.h"
#include "FakeOffice.h"
#include "ScopeCases.h"
#include "TestSettings.h"
#include "WorkFolders.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

Q_DECLARE_METATYPE(Calc1::Method)

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

} // namespace

class TestEngine : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString in, out;

    // Processes one fake file and returns what the result holds.
    FakeBook run(FakeOffice& office, const FakeBook& book, TestSettings settings, const QString& name = "a.ods",
                 Calc1::Method method = Calc1::Method::Bulk)
    {
        const QString input = in + '/' + name;
        FakeOffice::writeBook(input, book);
        if (settings.folder.isEmpty())
            settings.folder = out;
        SeenTexts seen;
        Calc1::DoItByFile(input, seen, {office, settings, 0, method});
        return FakeOffice::readBook(out + '/' + QFileInfo(name).completeBaseName() + ".ods");
    }

private slots:
    void init()
    {
        QVERIFY(dir.isValid());
        QVERIFY(freshFolders(dir, in, out));
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
        // Folders that do not exist: no name is taken there.
        const Calc1::ResultPaths paths = Calc1::ResultPathsFor(dir.path() + folder, input);
        QCOMPARE(paths.temporary, dir.path() + temporary);
        QCOMPARE(paths.final, dir.path() + final);
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
        const TestSettings settings = scopeSettings();
        for (Calc1::Method method : {Calc1::Method::Bulk, Calc1::Method::CellByCell}) {
            FakeOffice office;
            QCOMPARE(run(office, book, settings, "a.ods", method), expected);
        }
    }

    void commandsForOneDuplicate()
    {
        FakeOffice office;
        run(office, {{{"x"}}, {{"y"}, {"", "x"}}}, {}, "a.ods", Calc1::Method::CellByCell);
        const QString input = QUrl::fromLocalFile(in + "/a.ods").toString();
        const QStringList expected = {
            "loadComponentFromUrl " + input + " _blank 0 Hidden=true",
            ".uno:JumpToTable Nr=2",
            ".uno:GoToCell ToPoint=$B$2",
            ".uno:Delete Flags=A",
            "storeToUrl " + QUrl::fromLocalFile(out + "/a.sxw").toString() + ' ',
        };
        QCOMPARE(office.log, expected);
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList({"a.ods"}));
    }

    void bulkClearsRunsAsRanges_data()
    {
        QTest::addColumn<Scope>("scope");
        QTest::addColumn<QString>("cleared");
        QTest::newRow("runs along a row") << Scope::EntireSheet << "clearRanges 0 1,0:3,0 0,1:1,1 3,1:3,1 1,2:1,2";
        QTest::newRow("runs down a column") << Scope::SingleColumn << "clearRanges 0 1,1:1,2";
    }
    void bulkClearsRunsAsRanges()
    {
        QFETCH(Scope, scope);
        QFETCH(QString, cleared);
        FakeOffice office;
        TestSettings settings;
        settings.scope = scope;
        settings.column = "B";
        run(office, {{{"a", "a", "a", "a"}, {"a", "a", "b", "a"}, {"c", "a"}}}, settings);
        QCOMPARE(office.log.filter("clearRanges"), QStringList{cleared});
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
        Calc1::DoItByFile(input, seen, {office, settings, 0});
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
        QTest::addColumn<int>("deletes");
        QTest::addColumn<Calc1::Method>("method");
        const auto one = Calc1::Method::CellByCell, bulk = Calc1::Method::Bulk;

        // The book is a b a / b a c: "a" at A1, C1, B2 and "b" at B1, A2.
        QTest::newRow("no office: nothing else happens")
            << "serviceManager" << 1 << false << QStringList{"DoItByFile:102"} << FakeBook{} << 0 << one;
        QTest::newRow("load failed: nothing scanned or stored")
            << "loadComponentFromUrl" << 1 << false << QStringList{"DoItByFile:106"} << FakeBook{} << 0 << one;
        QTest::newRow("no dispatcher: closed without a result")
            << "dispatchHelper" << 1 << false << QStringList{"DoItByFile:108"} << FakeBook{} << 0 << one;
        QTest::newRow("sheets not counted: nothing scanned or stored")
            << "sheetCount" << 1 << false << QStringList{"DoItByFile:114"} << FakeBook{} << 0 << one;
        QTest::newRow("cell not read: that cell is not compared")
            << "string" << 3 << false << QStringList{"DoItByFile:138"} << FakeBook{{{"a", "b", "a"}, {"", "", "c"}}}
            << 2 << one;
        QTest::newRow("cell not reached: that cell is not compared")
            << "cellByPosition" << 5 << false << QStringList{"DoItByFile:136"}
            << FakeBook{{{"a", "b", "a"}, {"", "", "c"}}} << 2 << one;
        QTest::newRow("jump failed: no delete on whatever cell is current")
            << ".uno:JumpToTable" << 1 << false << QStringList{"DoItByFile:148"}
            << FakeBook{{{"a", "b", "a"}, {"", "", "c"}}} << 2 << one;
        QTest::newRow("go-to failed: no delete on whatever cell is current")
            << ".uno:GoToCell" << 2 << false << QStringList{"DoItByFile:152"} << FakeBook{{{"a", "b"}, {"b", "", "c"}}}
            << 2 << one;
        QTest::newRow("delete failed: the cell stays, the scan goes on")
            << ".uno:Delete" << 1 << false << QStringList{"DoItByFile:156"}
            << FakeBook{{{"a", "b", "a"}, {"", "", "c"}}} << 2 << one;
        QTest::newRow("store failed: the old result stays")
            << "storeToUrl" << 1 << false << QStringList{"DoItByFile:242"} << FakeBook{} << 3 << one;
        QTest::newRow("row bound failed: the first sheet scans row 1 only")
            << "rangeAddress" << 1 << false << QStringList{"DoItByFile:118"} << FakeBook{{{"a", "b"}, {"b", "a", "c"}}}
            << 1 << one;
        QTest::newRow("column bound failed: column A only")
            << "rangeAddress" << 2 << false << QStringList{"getLastUsedColumn:106"}
            << FakeBook{{{"a", "b", "a"}, {"b", "a", "c"}}} << 0 << one;
        QTest::newRow("office lost mid-scan: one report, nothing stored")
            << "string" << 4 << true << QStringList{"DoItByFile:138"} << FakeBook{} << 1 << one;
        QTest::newRow("bulk: texts not read: that sheet is left alone")
            << "shownTexts" << 1 << false << QStringList{"DoItByFile:138"}
            << FakeBook{{{"a", "b", "a"}, {"b", "a", "c"}}} << 0 << bulk;
        QTest::newRow("bulk: clearing failed: the cells stay, the rest is stored")
            << "clearRanges" << 1 << false << QStringList{"DoItByFile:156"}
            << FakeBook{{{"a", "b", "a"}, {"b", "a", "c"}}} << 0 << bulk;
        QTest::newRow("bulk: office lost: one report, nothing stored")
            << "shownTexts" << 1 << true << QStringList{"DoItByFile:138"} << FakeBook{} << 0 << bulk;
        QTest::newRow("bulk: store failed: the old result stays")
            << "storeToUrl" << 1 << false << QStringList{"DoItByFile:242"} << FakeBook{} << 1 << bulk;
    }
    void failures()
    {
        QFETCH(QString, operation);
        QFETCH(int, nth);
        QFETCH(bool, gone);
        QFETCH(QStringList, reports);
        QFETCH(FakeBook, expected);
        QFETCH(int, deletes);
        QFETCH(Calc1::Method, method);

        const FakeBook old = {{{"old result"}}};
        FakeOffice::writeBook(out + "/a.ods", old);
        FakeOffice office;
        office.failAt(operation, nth, gone);
        BoxScript boxes;
        boxes.answer(MessageBox::Ok, int(reports.size()));
        const FakeBook result = run(office, {{{"a", "b", "a"}, {"b", "a", "c"}}}, {}, "a.ods", method);

        QCOMPARE(reportedSteps(boxes), reports);
        QCOMPARE(result, expected.isEmpty() ? old : expected);
        QCOMPARE(int(office.log.filter(method == Calc1::Method::Bulk ? "clearRanges" : ".uno:Delete").size()), deletes);
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList({"a.ods"})); // no temporary left
        QCOMPARE(FakeOffice::readBook(in + "/a.ods"), FakeBook({{{"a", "b", "a"}, {"b", "a", "c"}}}));
    }

    void lostOfficeIsReplacedForTheNextFile()
    {
        FakeOffice office;
        office.failAt("sheetCount", 1, true);
        BoxScript boxes;
        boxes.answer(MessageBox::Ok);
        run(office, {{{"x", "x"}}}, {}, "a.ods");
        QCOMPARE(run(office, {{{"y", "y"}}}, {}, "b.ods"), FakeBook({{{"y"}}}));
        QCOMPARE(office.starts, 2);
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "test_engine.moc"
