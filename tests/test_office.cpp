// The office layer and the engine against the real headless office, with
// spreadsheets that the tests make through the office.

#include "BoxScript.h"
#include "Calc1.h"
#include "CellMap.h"
#include "OfficeConnection.h"
#include "OfficeConnectionAccess.h"
#include "OfficeTest.h"
#include "ScopeCases.h"
#include "SheetFixture.h"
#include "ShownBook.h"
#include "TestSettings.h"
#include "WorkFolders.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/frame/XDesktop.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/text/XTextRange.hpp>

#include <csignal>
#include <sys/wait.h>
#include <thread>

namespace {

bool processRuns(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), 0) == 0;
}

// Whether the process has ended and waits to be reaped: the system knows,
// its parent has not yet taken it in.
bool zombie(qint64 pid)
{
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
}

// How many documents the office holds open.
int openDocuments(OfficeConnection& office)
{
    const auto context = OfficeConnectionAccess::remoteContext(office);
    const css::uno::Reference<css::frame::XDesktop> desktop(
        context->getServiceManager()->createInstanceWithContext("com.sun.star.frame.Desktop", context),
        css::uno::UNO_QUERY_THROW);
    const auto documents = desktop->getComponents()->createEnumeration();
    int count = 0;
    for (; documents->hasMoreElements(); documents->nextElement())
        ++count;
    return count;
}

// Waits, letting no event in, until the process (a child of ours) has
// ended; it is left to be reaped.
bool waitForZombie(qint64 pid)
{
    siginfo_t info{};
    ::waitid(P_PID, id_t(pid), &info, WEXITED | WNOWAIT);
    return zombie(pid);
}

QString writeScript(const QString& path, const QByteArray& body)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("#!/bin/sh\n" + body + "\n");
    f.close();
    f.setPermissions(f.permissions() | QFile::ExeOwner);
    return path;
}

} // namespace

class TestOffice : public OfficeTest {
    Q_OBJECT

    FakeBook process(const QString& input, TestSettings settings)
    {
        if (settings.folder.isEmpty())
            settings.folder = out;
        SeenTexts seen;
        BoxScript host; // a report fails the test
        Calc1::DoItByFile(input, seen, {*office, settings, host, 0});
        return trimmed(fixture->read(Calc1::resultPath(settings.folder, input)));
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(startOffice(), NoOffice);
        QCOMPARE(whyNoOffice(*office), QString());
    }

    void cleanupTestCase()
    {
        const qint64 pid = office->processId();
        QVERIFY(processRuns(pid));
        office.reset();
        QVERIFY2(!processRuns(pid), "the office outlived its connection");
    }

    void scopes_data() { addScopeCases(); }
    void scopes()
    {
        QFETCH(FakeBook, book);
        QFETCH(FakeBook, expected);
        fixture->writeTexts(in + "/a.ods", book);
        QCOMPARE(process(in + "/a.ods", scopeSettings()), expected);
    }

    void sameShownTextWhateverTheType()
    {
        using C = FixtureCell;
        const FixtureBook book = {
            {{C::ofNumber(1.5), C::ofText("1.5 ")}},
            {{C::ofText("1.5"), C::ofNumber(45535, "YYYY-MM-DD")}},
            {{C::ofFormula("=1+0.5"), C::ofText("2024-08-31"), C::ofText("2024-08-30"),
              C::ofFormula("=\"2024-08-\"&30")}},
        };
        fixture->write(in + "/types.ods", book);
        const FakeBook expected = {{{"1.5", "1.5 "}}, {{"", "2024-08-31"}}, {{"", "", "2024-08-30"}}};
        QCOMPARE(process(in + "/types.ods", {}), expected);
    }

    void xlsInputGivesOdsResult()
    {
        fixture->writeTexts(in + "/Report.xls", {{{"k", "k", "m"}}});
        QCOMPARE(process(in + "/Report.xls", {}), FakeBook({{{"k", "", "m"}}}));
        QFile result(out + "/Report.ods");
        QVERIFY(result.open(QIODevice::ReadOnly));
        QCOMPARE(result.read(2), QByteArray("PK")); // an OpenDocument package
        QVERIFY(result.readAll().contains("application/vnd.oasis.opendocument.spreadsheet"));
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList({"Report.ods"}));
    }

    void resultsFolderSeparator_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::newRow("without") << "";
        QTest::newRow("with") << "/";
        QTest::newRow("doubled") << "//";
    }
    void resultsFolderSeparator()
    {
        QFETCH(QString, suffix);
        fixture->writeTexts(in + "/a.ods", {{{"z", "z"}}});
        TestSettings settings;
        settings.folder = out + suffix;
        QCOMPARE(process(in + "/a.ods", settings), FakeBook({{{"z"}}}));
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList({"a.ods"}));
    }

    void resultReplacesOdsInputInItsOwnFolder()
    {
        fixture->writeTexts(in + "/a.ods", {{{"z", "z", "y"}}});
        TestSettings settings;
        settings.folder = in;
        QCOMPARE(process(in + "/a.ods", settings), FakeBook({{{"z", "", "y"}}}));
        QCOMPARE(QDir(in).entryList(QDir::Files), QStringList({"a.ods"}));
    }

    void awkwardNames_data() { addAwkwardNameCases(); }
    void awkwardNames()
    {
        QFETCH(QString, name);
        fixture->writeTexts(in + '/' + name, {{{"w", "w"}}});
        QCOMPARE(process(in + '/' + name, {}), FakeBook({{{"w"}}}));
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList({QFileInfo(name).completeBaseName() + ".ods"}));
    }

    void corruptInputIsReportedAndNothingDeleted()
    {
        QFile bad(in + "/bad.ods");
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray(4096, '\x5a').append("PK\x03\x04 not really a package"));
        bad.close();
        fixture->writeTexts(out + "/bad.ods", {{{"earlier result"}}});
        BoxScript boxes;
        boxes.answer(Host::Ok);
        SeenTexts seen;
        TestSettings settings;
        settings.folder = out;
        Calc1::DoItByFile(in + "/bad.ods", seen, {*office, settings, boxes, 0});
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY2(boxes.shown[0].text.contains("Calc1.DoItByFile at line 106"), qPrintable(boxes.shown[0].text));
        QVERIFY(QFile::exists(in + "/bad.ods"));
        QCOMPARE(trimmed(fixture->read(out + "/bad.ods")), FakeBook({{{"earlier result"}}}));
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList({"bad.ods"}));
    }

    void diedOfficeIsReplaced()
    {
        const qint64 before = office->processId();
        QVERIFY(processRuns(before));
        ::kill(pid_t(before), SIGKILL);
        fixture->writeTexts(in + "/a.ods", {{{"v", "v"}}});
        QCOMPARE(process(in + "/a.ods", {}), FakeBook({{{"v"}}}));
        QVERIFY(office->processId() != before);
    }

    void twoConnectionsKeepApart()
    {
        OfficeConnection second;
        QCOMPARE(whyNoOffice(second), QString());
        QVERIFY(second.processId() != office->processId());
        fixture->writeTexts(in + "/a.ods", {{{"s", "s"}}});
        TestSettings settings;
        settings.folder = out;
        SeenTexts seen;
        BoxScript host;
        Calc1::DoItByFile(in + "/a.ods", seen, {second, settings, host, 0});
        QCOMPARE(trimmed(fixture->read(out + "/a.ods")), FakeBook({{{"s"}}}));
        // Started anew, as a long batch does, it goes on; shut down, for good.
        const qint64 pid = second.processId();
        try {
            second.restart();
        } catch (const office::Error& e) {
            QFAIL(e.what());
        }
        QVERIFY(!processRuns(pid));
        const qint64 restarted = second.processId();
        QVERIFY(processRuns(restarted));
        second.shutdown();
        QVERIFY(!processRuns(restarted));
        QVERIFY_THROWS_EXCEPTION(office::Gone, second.restart());
        QVERIFY(processRuns(office->processId()));
    }

    // A document given up unclosed (its file failed halfway, its close was
    // refused) does not stay open in the office for the rest of its life.
    void documentGivenUpIsClosed()
    {
        fixture->writeTexts(in + "/a.ods", {{{"a"}}});
        const int before = openDocuments(*office);
        std::shared_ptr<office::Document> document = office->open(Calc1::FileUrl(in + "/a.ods"));
        QCOMPARE(openDocuments(*office), before + 1);
        document.reset();
        QCOMPARE(openDocuments(*office), before);
    }

    // An office that has ended is forgotten: an abort then (the program
    // ending) sends nothing to any process, whichever has its id by now.
    void endedOfficeIsNeverSignalled_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("killed, its end taken in") << "killed";
        QTest::newRow("killed in a call, its end not yet taken in") << "in a call";
        QTest::newRow("shut down") << "shut down";
    }
    void endedOfficeIsNeverSignalled()
    {
        QFETCH(QString, how);
        OfficeConnection ending;
        QCOMPARE(whyNoOffice(ending), QString());
        const std::shared_ptr<CallWatch> watch = OfficeConnectionAccess::link(ending).watch;
        const qint64 pid = ending.processId();
        if (how == "killed") {
            ::kill(pid_t(pid), SIGKILL);
            QTRY_COMPARE_WITH_TIMEOUT(ending.processId(), 0, 60000);
        } else if (how == "in a call") {
            fixture->writeTexts(in + "/a.ods", {{{"a"}}});
            const std::shared_ptr<office::Document> document = ending.open(Calc1::FileUrl(in + "/a.ods"));
            // Stopped, it cannot answer the next call; killed once it waits in it.
            ::kill(pid_t(pid), SIGSTOP);
            std::thread killer([&, before = ending.calls()] {
                ending.waitForCall(before, 60000);
                ::kill(pid_t(pid), SIGKILL);
            });
            QVERIFY_THROWS_EXCEPTION(office::Gone, document->sheetName(0));
            killer.join();
            QVERIFY(waitForZombie(pid));
        } else {
            ending.shutdown();
        }
        ending.abort();
        QCOMPARE(watch->fired(), CallWatch::Fired::No);
    }

    // A call made within a call runs on the call thread, and so does the
    // judgement of its failure: whether the office lives is asked of the
    // system there, not of the QProcess that belongs to the window's thread.
    void nestedCallFailsOnTheCallThread_data()
    {
        QTest::addColumn<bool>("killed");
        QTest::newRow("office answering: an error") << false;
        QTest::newRow("office killed: its death") << true;
    }
    void nestedCallFailsOnTheCallThread()
    {
        QFETCH(bool, killed);
        OfficeConnection::Options options;
        options.letEventsIn = true;
        options.memoryCapMb = 4096; // the memory watch looks on during the calls
        OfficeConnection calls(options);
        QCOMPARE(whyNoOffice(calls), QString());
        const auto context = OfficeConnectionAccess::remoteContext(calls);
        const uno_errors::Link link = OfficeConnectionAccess::link(calls);
        const qint64 pid = calls.processId();
        if (killed) {
            ::kill(pid_t(pid), SIGKILL);
            QVERIFY(waitForZombie(pid));
        }
        // Qt speaks up when a QProcess is used from a thread not its own.
        QTest::failOnWarning(QRegularExpression("."));
        std::thread::id where;
        try {
            uno_errors::guarded(link, [&] {
                return uno_errors::guarded(link, [&] {
                    where = std::this_thread::get_id();
                    // The service manager is no text: a runtime error, or
                    // the office found gone.
                    return css::uno::Reference<css::text::XTextRange>(context->getServiceManager(),
                                                                      css::uno::UNO_QUERY_THROW)
                        .is();
                });
            });
            QFAIL("the call did not fail");
        } catch (const office::Gone& e) {
            QVERIFY2(killed, e.what());
        } catch (const office::Error& e) {
            QVERIFY2(!killed, e.what());
        }
        QVERIFY(where != std::this_thread::get_id());
    }

    void absentOffice_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("startTimeoutMs");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing binary") << "" << 60000 << "No office was found";
        QTest::newRow("ends at once") << "exit 3" << 60000 << "The office ended at start with code 3";
        QTest::newRow("never answers") << "exec sleep 60" << 1500 << "The office did not answer in time";
    }
    void absentOffice()
    {
        QFETCH(QString, script);
        QFETCH(int, startTimeoutMs);
        QFETCH(QString, message);
        OfficeConnection::Options options;
        options.soffice
            = script.isEmpty() ? dir.filePath("nothing-here") : writeScript(dir.filePath("soffice"), script.toUtf8());
        options.startTimeoutMs = startTimeoutMs;
        OfficeConnection absent(options);
        try {
            absent.start();
            QFAIL("an office was reached");
        } catch (const office::Error& e) {
            QCOMPARE(QString(e.what()), message);
        }
        QCOMPARE(absent.processId(), 0);
    }

    // Many cells read in one go show what each shows read on its own, also
    // where nothing at all comes out of the sheet's text: a formula's empty
    // result, a format that shows nothing, a cell hidden by its protection.
    void bulkReadingShowsWhatEachCellShows_data()
    {
        QTest::addColumn<bool>("protectedSheet");
        QTest::newRow("sheet not protected") << false;
        QTest::newRow("protected sheet, some cells hidden") << true;
    }
    void bulkReadingShowsWhatEachCellShows()
    {
        QFETCH(bool, protectedSheet);
        using C = FixtureCell;
        const QStringList formats = {"", "0%", ";;;", "@", "0;;", ";0;", ";;0", "[RED]0", "YYYY-MM-DD", "#,##0.00 \"EUR\""};
        const QList<C> kinds = {C::ofText("x"), C::ofText(" "), C::ofNumber(5), C::ofNumber(-2), C::ofNumber(0),
                                C::ofFormula("=1/0"), C::ofFormula("=\"\""), C::ofFormula("=$Z$99"),
                                C::ofFormula("=VLOOKUP(\"k\";$A$1:$B$1;2;0)"), C::ofFormula("=IF(1;\"\";1)"),
                                C::ofFormula("=$B$1"), C::ofFormula("=$B$1&\"\"")};
        C target = C::ofNumber(7);
        target.locked = false;
        FixtureSheet sheet{{C::ofText("k"), target}};
        for (const C& kind : kinds) {
            sheet << QList<C>();
            for (const QString& format : formats) {
                C cell = kind;
                cell.format = format;
                cell.hidden = (sheet.size() + sheet.last().size()) % 3 == 0;
                sheet.last() << cell;
            }
        }
        FixtureLook look;
        look.protectedSheet = protectedSheet;
        fixture->write(in + "/kinds.ods", {sheet}, {look});
        QStringList differ;
        try {
            const auto document = office->open(QUrl::fromLocalFile(in + "/kinds.ods").toString());
            document->keepUndo(false);
            // The formulas, below the rows of texts and numbers, as written.
            QStringList written, listed;
            for (int r = 0; r < sheet.size(); ++r)
                for (int c = 0; c < sheet[r].size(); ++c)
                    if (sheet[r][c].kind == C::Formula)
                        written << QString("%1,%2 %3").arg(c).arg(r).arg(sheet[r][c].text);
            for (const office::FormulaText& f : document->formulas(0).value_or(QList<office::FormulaText>()))
                listed << QString("%1,%2 %3").arg(f.column).arg(f.row).arg(f.text);
            written.sort();
            listed.sort();
            QCOMPARE(listed, written);
            // The lookups and references now come to nothing.
            QVERIFY(document->emptyRanges({{0, 1, 0, 1, 0}}, {}).isEmpty());
            QList<office::CellAt> cells;
            for (int r = 0; r < sheet.size(); ++r)
                for (int c = 0; c < formats.size(); ++c)
                    cells << office::CellAt{c, r};
            const QStringList bulk = document->shownTexts(0, cells);
            for (qsizetype i = 0; i < cells.size(); ++i) {
                const QString one = document->shownText(0, cells[i].column, cells[i].row);
                if (bulk[i] != one)
                    differ << QString("%1,%2: \"%3\" in bulk, \"%4\" alone")
                                  .arg(cells[i].column)
                                  .arg(cells[i].row)
                                  .arg(bulk[i], one);
            }
            document->close();
        } catch (const office::Error& e) {
            QFAIL(e.what());
        }
        QCOMPARE(differ, QStringList());
    }

    // Rows held, a take-back leaves a row as it was, and the rows of
    // emptyings that stay are fitted to what they hold.
    void rowsFitWhatStays_data()
    {
        QTest::addColumn<bool>("takenBack");
        QTest::newRow("taken back: the tall row stays tall") << true;
        QTest::newRow("stays: the row fits the cell left") << false;
    }
    void rowsFitWhatStays()
    {
        QFETCH(bool, takenBack);
        const QString input = in + "/tall.fods";
        QFile file(input);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // A text in a big font makes its row tall.
        file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                   "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
                   " xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\""
                   " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\""
                   " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
                   " xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\""
                   " office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\">"
                   "<office:automatic-styles><style:style style:name=\"big\" style:family=\"table-cell\">"
                   "<style:text-properties fo:font-size=\"40pt\"/></style:style></office:automatic-styles>"
                   "<office:body><office:spreadsheet><table:table table:name=\"S\">"
                   "<table:table-row><table:table-cell><text:p>x</text:p></table:table-cell></table:table-row>"
                   "<table:table-row><table:table-cell table:style-name=\"big\"><text:p>X</text:p></table:table-cell>"
                   "<table:table-cell><text:p>y</text:p></table:table-cell></table:table-row>"
                   "</table:table></office:spreadsheet></office:body></office:document>");
        file.close();
        // The stored rows' heights, as written in the flat file.
        auto heights = [&](const QString& path) {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            const QString xml = QString::fromUtf8(f.readAll());
            QHash<QString, QString> byStyle;
            static const QRegularExpression style("<style:style style:name=\"([^\"]+)\" style:family=\"table-row\">"
                                                  "\\s*<style:table-row-properties style:row-height=\"([^\"]+)\"");
            for (const auto& m : style.globalMatch(xml))
                byStyle.insert(m.captured(1), m.captured(2));
            QStringList rows;
            static const QRegularExpression row("<table:table-row table:style-name=\"([^\"]+)\"");
            for (const auto& m : row.globalMatch(xml))
                rows << byStyle.value(m.captured(1));
            return rows;
        };
        const office::PropertyValues flat{{"FilterName", "OpenDocument Spreadsheet Flat XML"}};
        try {
            const auto document = office->open(QUrl::fromLocalFile(input).toString());
            document->store(QUrl::fromLocalFile(out + "/before.fods").toString(), flat);
            document->holdRows(true);
            document->keepUndo(true);
            QVERIFY(document->emptyRanges({{0, 0, 1, 0, 1}}, {}).isEmpty());
            if (takenBack)
                document->takeBack(1);
            document->keepUndo(false);
            document->holdRows(false);
            document->store(QUrl::fromLocalFile(out + "/after.fods").toString(), flat);
            document->close();
        } catch (const office::Error& e) {
            QFAIL(e.what());
        }
        const QStringList before = heights(out + "/before.fods"), after = heights(out + "/after.fods");
        QCOMPARE(before.size(), 2);
        QVERIFY(before[1] != before[0]);
        QCOMPARE(after, QStringList({before[0], takenBack ? before[1] : before[0]}));
    }

    // A sheet's text in bulk is trusted only with the shape of its cells;
    // until that is known no cell may be judged (a big sheet's text is read
    // twice rather than held).
    void bulkTextHandsOutNothingUntilItsShapeIsKnown_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("lineBreak");
        QTest::newRow("small sheet") << 10 << false;
        QTest::newRow("small sheet, a format's line break") << 10 << true;
        QTest::newRow("big sheet") << 3000 << false;
        QTest::newRow("big sheet, a format's line break") << 3000 << true;
    }
    void bulkTextHandsOutNothingUntilItsShapeIsKnown()
    {
        QFETCH(int, rows);
        QFETCH(bool, lineBreak);
        const int columns = 40;
        QByteArray text;
        for (int r = 0; r < rows; ++r) {
            QByteArrayList fields;
            for (int c = 0; c < columns; ++c)
                fields << (lineBreak && r == rows / 2 && c == 5 ? QByteArray::number(r * columns + c) + "\nkg"
                                                                : "\"" + QByteArray::number(r * columns + c) + "\"");
            text += fields.join(',') + "\n";
        }
        QFile file(dir.filePath("sheet.csv"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
        file.close();
        const CellMap cells({{0, 0, 0, columns - 1, rows - 1}});
        int handed = 0, wrong = 0;
        const bool read = cells.eachInText(file.fileName(), {0, 0, 0, 1 << 20, 1 << 20}, CellMap({}), false,
                                           [&](const office::ShownCell& cell) {
                                               wrong += cell.text != QString::number(cell.row * columns + cell.column);
                                               ++handed;
                                           });
        QCOMPARE(read, !lineBreak);
        QCOMPARE(handed, lineBreak ? 0 : rows * columns);
        QCOMPARE(wrong, 0);
    }
};

QTEST_GUILESS_MAIN(TestOffice)
#include "test_office.moc"
