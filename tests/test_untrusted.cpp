// Documents from others, with the real office: nothing they point at is
// fetched, nothing outside them gets into a result, their stored
// results are what is judged, and no run leaves its office's files behind.

#include "BoxScript.h"
#include "Calc1.h"
#include "OfficeConnection.h"
#include "OfficeRuns.h"
#include "OfficeTest.h"
#include "SheetFixture.h"
#include "ShownBook.h"
#include "TestSettings.h"
#include "WorkFolders.h"

#include <QDir>
#include <QDataStream>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <csignal>
#include <iostream>
#include <sched.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// Whether the process runs in a network namespace other than this one's: the
// links read "net:[inode]", one inode per namespace.
bool hasOwnNetwork(qint64 pid)
{
    auto target = [](const QByteArray& path) {
        char buffer[64];
        const ssize_t n = ::readlink(path.constData(), buffer, sizeof buffer);
        return n > 0 ? QByteArray(buffer, int(n)) : QByteArray();
    };
    const QByteArray theirs = target("/proc/" + QByteArray::number(pid) + "/ns/net");
    return !theirs.isEmpty() && theirs != target("/proc/self/ns/net");
}

QString cell(const QString& text)
{
    return "<table:table-cell office:value-type=\"string\"><text:p>" + text + "</text:p></table:table-cell>";
}

// A formula cell with the text result the document stored.
QString formula(const QString& f, const QString& stored)
{
    return "<table:table-cell table:formula=\"of:=" + f.toHtmlEscaped() + "\" office:value-type=\"string\""
        + " office:string-value=\"" + stored + "\" calcext:value-type=\"string\"><text:p>" + stored
        + "</text:p></table:table-cell>";
}

QString rows(const QStringList& cells)
{
    QString xml;
    for (const QString& c : cells)
        xml += "<table:table-row>" + c + "</table:table-row>";
    return xml;
}

QString frame(const QString& inside)
{
    return "<table:shapes><draw:frame svg:width=\"2cm\" svg:height=\"2cm\" svg:x=\"3cm\" svg:y=\"1cm\">" + inside
        + "</draw:frame></table:shapes>";
}

QString linked(const QString& element, const QString& url)
{
    return "<draw:" + element + " xlink:href=\"" + url.toHtmlEscaped()
        + "\" xlink:type=\"simple\" xlink:show=\"embed\" xlink:actuate=\"onLoad\"/>";
}

// A flat OpenDocument spreadsheet: one sheet "Sheet1" holding the table's XML.
void writeFlat(const QString& path, const QString& table, const QString& more = {})
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" xmlns:xlink="http://www.w3.org/1999/xlink"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"
 xmlns:calcext="urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0"
 office:version="1.3"
 office:mimetype="application/vnd.oasis.opendocument.spreadsheet">)");
    f.write("<office:body><office:spreadsheet><table:table table:name=\"Sheet1\">");
    f.write(table.toUtf8());
    f.write("</table:table>");
    f.write(more.toUtf8());
    f.write("</office:spreadsheet></office:body></office:document>\n");
}

// A zip archive of stored (uncompressed) files, as an .xlsx is.
QByteArray zipped(const QList<std::pair<QByteArray, QByteArray>>& files)
{
    auto crc32 = [](const QByteArray& data) {
        quint32 crc = 0xffffffff;
        for (const char byte : data) {
            crc ^= quint8(byte);
            for (int k = 0; k < 8; ++k)
                crc = (crc >> 1) ^ (0xedb88320 & (0 - (crc & 1)));
        }
        return ~crc;
    };
    QByteArray archive, directory;
    QDataStream out(&archive, QIODevice::WriteOnly), dir(&directory, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    dir.setByteOrder(QDataStream::LittleEndian);
    for (const auto& [name, data] : files) {
        const quint32 offset = quint32(archive.size()), crc = crc32(data), size = quint32(data.size());
        out << quint32(0x04034b50) << quint16(20) << quint16(0) << quint16(0) << quint16(0) << quint16(0x21) << crc
            << size << size << quint16(name.size()) << quint16(0);
        out.writeRawData(name.constData(), int(name.size()));
        out.writeRawData(data.constData(), int(data.size()));
        dir << quint32(0x02014b50) << quint16(20) << quint16(20) << quint16(0) << quint16(0) << quint16(0)
            << quint16(0x21) << crc << size << size << quint16(name.size()) << quint16(0) << quint16(0) << quint16(0)
            << quint16(0) << quint32(0) << offset;
        dir.writeRawData(name.constData(), int(name.size()));
    }
    const quint32 start = quint32(archive.size());
    out.writeRawData(directory.constData(), int(directory.size()));
    out << quint32(0x06054b50) << quint16(0) << quint16(0) << quint16(files.size()) << quint16(files.size())
        << quint32(directory.size()) << start << quint16(0);
    return archive;
}

// A workbook as Excel writes it: one sheet of rows of cells, each an inline
// text or a formula with the text result it stored.
QByteArray excelBook(const QList<std::pair<QString, QString>>& column)
{
    QString rows;
    for (int r = 0; r < column.size(); ++r) {
        const auto& [formula, text] = column[r];
        const QString at = QString("A%1").arg(r + 1);
        rows += QString("<row r=\"%1\">").arg(r + 1)
            + (formula.isEmpty() ? "<c r=\"" + at + "\" t=\"inlineStr\"><is><t>" + text.toHtmlEscaped() + "</t></is></c>"
                                 : "<c r=\"" + at + "\" t=\"str\"><f>" + formula.toHtmlEscaped() + "</f><v>"
                                       + text.toHtmlEscaped() + "</v></c>")
            + "</row>";
    }
    const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>";
    const QByteArray main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    return zipped({
        {"[Content_Types].xml",
         head + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                "<Override PartName=\"/xl/workbook.xml\" "
                "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
                "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
                "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
                "<Override PartName=\"/docProps/app.xml\" "
                "ContentType=\"application/vnd.openxmlformats-officedocument.extended-properties+xml\"/></Types>"},
        {"_rels/.rels",
         head + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                "<Relationship Id=\"rId1\" Type=\"" + rel + "/officeDocument\" Target=\"xl/workbook.xml\"/>"
                "<Relationship Id=\"rId2\" Type=\"" + rel + "/extended-properties\" Target=\"docProps/app.xml\"/>"
                "</Relationships>"},
        // Stored results of another maker are taken as they are only from Excel.
        {"docProps/app.xml",
         head + "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\">"
                "<Application>Microsoft Excel</Application></Properties>"},
        {"xl/workbook.xml",
         head + "<workbook xmlns=\"" + main + "\" xmlns:r=\"" + rel + "\"><sheets>"
                "<sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         head + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                "<Relationship Id=\"rId1\" Type=\"" + rel + "/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
                "</Relationships>"},
        {"xl/worksheets/sheet1.xml",
         head + "<worksheet xmlns=\"" + main + "\"><sheetData>" + rows.toUtf8() + "</sheetData></worksheet>"},
    });
}

// Whether this system lets a process have a network namespace of its own.
bool namespacesAllowed()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(::unshare(CLONE_NEWNET) == 0 || ::unshare(CLONE_NEWUSER | CLONE_NEWNET) == 0 ? 0 : 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The entries in the temporary folders that name the run of this process id,
// and the pipe its office made for itself.
QStringList filesOfRun(qint64 pid)
{
    QStringList found;
    for (const QString& folder : {QDir::tempPath(), office_runs::pipeFolder()})
        for (const QFileInfo& entry :
             QDir(folder).entryInfoList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot))
            if (entry.fileName().contains(QString("-%1.").arg(pid))) {
                found << entry.absoluteFilePath();
                if (entry.fileName().startsWith("cellwinnow-office-"))
                    found << office_runs::pipeFiles(
                                 {}, QUrl::fromLocalFile(entry.absoluteFilePath()).toString(QUrl::FullyEncoded))
                                 .constLast();
            }
    found.removeDuplicates();
    found.sort();
    return found;
}

QStringList existing(const QStringList& paths)
{
    QStringList found;
    for (const QString& p : paths)
        if (QFileInfo(p).exists() || QFileInfo(p).isSymLink())
            found << p;
    return found;
}

// Runs in a child process: holds an office and a scratch folder until its
// input ends.
int holdOffice(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    OfficeConnection office;
    office.start();
    QTemporaryDir scratch(office_runs::folderTemplate("scratch"));
    std::cout << "ready " << office.processId() << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) { }
    return 0;
}

} // namespace

class TestUntrusted : public OfficeTest {
    Q_OBJECT

    std::unique_ptr<OfficeConnection> plain;
    QTcpServer listener;
    QStringList heard;

    FakeBook process(OfficeConnection& connection, const QString& input)
    {
        TestSettings settings;
        settings.folder = out;
        BoxScript boxes; // a box here fails the test
        SeenTexts seen;
        Calc1::DoItByFile(input, seen, {connection, settings, boxes, 0});
        return trimmed(fixture->read(Calc1::resultPath(out, input)));
    }

    QString url(const QString& path) const
    {
        return QString("http://127.0.0.1:%1/%2").arg(listener.serverPort()).arg(path);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(listener.listen(QHostAddress::LocalHost));
        connect(&listener, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = listener.nextPendingConnection()) {
                s->waitForReadyRead(500);
                heard << QString::fromLatin1(s->readAll()).section("\r\n", 0, 0);
                s->deleteLater();
            }
        });
        // The listener hears whoever reaches it.
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, listener.serverPort());
        QVERIFY(probe.waitForConnected(2000));
        probe.write("GET /probe HTTP/1.0\r\n\r\n");
        probe.flush();
        QTRY_COMPARE(heard, QStringList({"GET /probe HTTP/1.0"}));
        heard.clear();

        // An office that waits for the listener is given up soon.
        OfficeConnection::Options options;
        options.callTimeoutMs = 20000;
        QVERIFY2(startOffice(options), NoOffice);
        options.ownNetwork = false;
        plain = std::make_unique<OfficeConnection>(options);
    }

    // The office has a network of its own exactly where the system allows one.
    void officeHasNoWayOut()
    {
        QCOMPARE(whyNoOffice(*office), QString());
        QCOMPARE(whyNoOffice(*plain), QString());
        QCOMPARE(hasOwnNetwork(office->processId()), namespacesAllowed());
        QVERIFY(!hasOwnNetwork(plain->processId()));
    }

    // Each with the office in its own network and in this one: the profile and
    // the load alone must stop the office from reaching out.
    void nothingIsFetched_data()
    {
        QTest::addColumn<QString>("table"); // %1: a URL at the listener
        QTest::addColumn<QString>("more");
        QTest::addColumn<bool>("ownNetwork");
        const QString texts = rows({cell("a"), cell("a")});
        const QList<std::array<QString, 3>> documents = {
            {"linked picture", frame(linked("image", "%1picture.png")) + texts, ""},
            {"linked object", frame(linked("object", "%1object.ods")) + texts, ""},
            {"linked sheet",
             "<table:table-source table:mode=\"copy-results-only\" xlink:type=\"simple\" xlink:href=\"%1sheet.ods\""
             " table:table-name=\"Sheet1\"/>"
                 + texts,
             ""},
            {"linked area",
             rows({cell("a"), cell("a"),
                   "<table:table-cell><table:cell-range-source table:name=\"Sheet1.A1:A2\" xlink:type=\"simple\""
                   " xlink:href=\"%1area.ods\" table:filter-name=\"calc8\" table:last-column-spanned=\"1\""
                   " table:last-row-spanned=\"2\" table:refresh-delay=\"PT1S\"/></table:table-cell>"}),
             ""},
            {"external reference", rows({cell("a"), formula("['%1book.ods'#$Sheet1.A1]", "a")}), ""},
            {"web service", rows({cell("a"), formula("COM.MICROSOFT.WEBSERVICE(\"%1price\")", "a")}), ""},
            {"DDE link", rows({cell("a"), formula("DDE(\"soffice\";\"%1dde.ods\";\"Sheet1.A1\")", "a")}), ""},
            {"named DDE link", texts,
             "<table:dde-links><table:dde-link><office:dde-source office:name=\"link\" "
             "office:dde-application=\"soffice\""
             " office:dde-topic=\"%1topic.ods\" office:dde-item=\"Sheet1.A1\" office:automatic-update=\"true\"/>"
             "<table:table><table:table-row><table:table-cell/></table:table-row></table:table></table:dde-link>"
             "</table:dde-links>"},
        };
        for (bool own : {true, false})
            for (const auto& [name, table, more] : documents)
                QTest::newRow(qPrintable(name + (own ? "" : ", office in this network"))) << table << more << own;
    }
    void nothingIsFetched()
    {
        QFETCH(QString, table);
        QFETCH(QString, more);
        QFETCH(bool, ownNetwork);
        writeFlat(in + "/a.fods", QString(table).replace("%1", url("")), QString(more).replace("%1", url("")));
        QCOMPARE(process(ownNetwork ? *office : *plain, in + "/a.fods").value(0).value(0).value(0), QString("a"));
        QTest::qWait(300); // a request late in the store would arrive now
        QCOMPARE(heard, QStringList());
    }

    // A linked local picture may be shown by the office; it must not get into
    // the result, not even as the result's preview.
    void linkedLocalPictureStaysOut()
    {
        QFile picture(in + "/picture.png");
        QVERIFY(picture.open(QIODevice::WriteOnly));
        picture.write(QByteArray::fromBase64(
            "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8DwHwAFBQIAX8jx0gAAAABJRU5ErkJggg=="));
        picture.close();
        writeFlat(in + "/a.fods",
                  frame(linked("image", QUrl::fromLocalFile(picture.fileName()).toString()))
                      + rows({cell("p"), cell("p")}));
        QCOMPARE(process(*plain, in + "/a.fods"), FakeBook({{{"p"}}}));
        QFile result(out + "/a.ods");
        QVERIFY(result.open(QIODevice::ReadOnly));
        const QByteArray bytes = result.readAll();
        // A package's part names are stored as they are.
        QVERIFY(bytes.contains("content.xml"));
        QVERIFY2(!bytes.contains("Thumbnails/"), "the result has a preview");
        QVERIFY2(!bytes.contains("Pictures/"), "the result holds a picture");
    }

    // Cells are judged on what the document stored, not on what a private
    // office without network would compute; an emptied cell's dependents still
    // follow. In ODF and Excel 2007+.
    void storedResultsAreKept_data()
    {
        QTest::addColumn<QString>("table"); // %1: a URL at the listener, %2: a local book's URL
        QTest::addColumn<FakeBook>("expected");
        QTest::addColumn<QString>("format");
        const QList<std::tuple<QString, QString, FakeBook>> books = {
            {"web results",
             rows({formula("COM.MICROSOFT.WEBSERVICE(\"%1alpha\")", "alpha-price-10"),
                   formula("COM.MICROSOFT.WEBSERVICE(\"%1beta\")", "beta-price-20")}),
             {{{"alpha-price-10"}, {"beta-price-20"}}}},
            {"external reference not refreshed",
             rows({cell("fresh"), formula("['%2'#$Sheet1.A1]", "stale")}),
             {{{"fresh"}, {"stale"}}}},
            // Without a stored result of its own the link shows #N/A, not the source's text.
            {"DDE link not refreshed",
             rows({cell("fresh"), formula("DDE(\"soffice\";\"%2\";\"Sheet1.A1\")", "stale")}),
             {{{"fresh"}, {"#N/A"}}}},
            {"dependent of an emptied cell",
             rows({cell("x"), cell("x"), formula("[.A2]&\"-dep\"", "x-dep")}),
             {{{"x"}, {}, {"-dep"}}}},
        };
        for (const char* format : {"fods", "xlsx"})
            for (const auto& [name, table, expected] : books)
                QTest::newRow(qPrintable(name + " (" + format + ")")) << table << expected << format;
    }
    void storedResultsAreKept()
    {
        QFETCH(QString, table);
        QFETCH(FakeBook, expected);
        QFETCH(QString, format);
        fixture->writeTexts(dir.filePath("source.ods"), {{{"fresh"}}});
        const QString source = QUrl::fromLocalFile(dir.filePath("source.ods")).toString();
        writeFlat(in + "/a.fods", QString(table).replace("%1", url("")).replace("%2", source));
        QString input = in + "/a.fods";
        if (format != "fods") {
            input = in + "/a." + format;
            fixture->loadAndStore(in + "/a.fods", input);
            QFile::remove(in + "/a.fods");
        }
        QCOMPARE(process(*office, input), expected);
        QCOMPARE(heard, QStringList());
    }

    // Formulas that fetch web data keep the results Excel stored while
    // nothing they read is emptied; one over an emptied cell follows it.
    // (The office itself computes such formulas anew when it loads an
    // OpenDocument file, where they show Err:540 from the start.)
    void webDataStoredByExcelIsKept()
    {
        QList<std::pair<QString, QString>> cells{
            {{}, "x"},
            {{}, "x"},
            {"_xlfn.FILTERXML(_xlfn.WEBSERVICE(\"" + url("alpha") + "\"),\"//p\")", "alpha-10"},
            {"_xlfn.FILTERXML(_xlfn.WEBSERVICE(\"" + url("beta") + "\"),\"//p\")", "beta-20"},
            {"_xlfn.FILTERXML(_xlfn.WEBSERVICE(\"" + url("gamma") + "\"),\"//p\")", "alpha-10"}};
        // Enough formulas over the emptied cell to be read again in bulk.
        for (int k = 0; k < 30; ++k)
            cells << std::pair<QString, QString>{"A2&\"-dep\"", "x-dep"};
        QFile book(in + "/web.xlsx");
        QVERIFY(book.open(QIODevice::WriteOnly));
        book.write(excelBook(cells));
        book.close();
        TestSettings settings;
        settings.folder = out;
        BoxScript boxes;
        SeenTexts seen;
        const Calc1::FileResult did = Calc1::DoItByFile(book.fileName(), seen, {*office, settings, boxes, 0, true});
        // Judged on what Excel stored: the third result repeats the first.
        QList<Calc1::CellPlace> emptied;
        for (const Calc1::EmptiedCell& cell : did.emptied)
            emptied << cell.cell;
        QList<Calc1::CellPlace> expected{{0, 0, 1}, {0, 0, 4}};
        for (int row = 6; row < cells.size(); ++row)
            expected << Calc1::CellPlace{0, 0, row};
        QCOMPARE(emptied, expected);
        QVERIFY(did.readings.value(0).bulkReads >= 1);
        const QByteArray stored = fixture->packagePart(out + "/web.ods", "content.xml");
        QVERIFY2(stored.contains(">alpha-10<") && stored.contains(">beta-20<") && stored.contains(">-dep<"),
                 stored.right(2000).constData());
        QVERIFY(!stored.contains("Err:540"));
        QTest::qWait(300);
        QCOMPARE(heard, QStringList());
    }

    // A few cells far apart on one of many sheets would make the document's
    // text gigabytes from a file of kilobytes: it is never written whole, and
    // its repeats still go.
    void farCellsAmongManySheetsMakeNoHugeText()
    {
        QList<SheetFixture::Placed> cells{{0, 0, 0, "x"}, {0, 1000, 1000000, "x"}};
        for (int s = 1; s < 9; ++s)
            cells << SheetFixture::Placed{s, 0, 0, s == 3 ? QString("x") : QString("s%1").arg(s)};
        fixture->writePlaced(in + "/far.ods", cells);
        const QString scratch = QString("cellwinnow-scratch-%1.").arg(QCoreApplication::applicationPid());
        std::atomic<bool> done = false;
        std::atomic<qint64> most = 0;
        std::thread watch([&] {
            while (!done) {
                qint64 bytes = 0;
                for (const QFileInfo& folder : QDir::temp().entryInfoList({scratch + '*'}, QDir::Dirs))
                    for (QDirIterator it(folder.filePath(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
                        bytes += it.nextFileInfo().size();
                most = std::max(most.load(), bytes);
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
        const FakeBook result = process(*office, in + "/far.ods");
        done = true;
        watch.join();
        QVERIFY2(most < 64 << 20, qPrintable(QString("%1 bytes of text written").arg(most.load())));
        QCOMPARE(result, FakeBook({{{"x"}}, {{"s1"}}, {{"s2"}}, {}, {{"s4"}}, {{"s5"}}, {{"s6"}}, {{"s7"}}, {{"s8"}}}));
    }

    // A killed run's profile, scratch folder and pipes go at the next start; a
    // live run's stay; a run that ends leaves nothing.
    void leftoversOfDeadRunsOnly()
    {
        QList<std::shared_ptr<QProcess>> runs;
        QList<qint64> offices;
        for (int i = 0; i < 2; ++i) {
            auto run = std::make_shared<QProcess>();
            run->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            run->start(QCoreApplication::applicationFilePath(), {"--hold-office"});
            QVERIFY(run->waitForReadyRead(60000));
            const QByteArray line = run->readLine().trimmed();
            QVERIFY2(line.startsWith("ready "), line.constData());
            offices << line.mid(6).toLongLong();
            runs << run;
        }
        const qint64 killed = runs[0]->processId(), live = runs[1]->processId();
        const QStringList killedFiles = filesOfRun(killed), liveFiles = filesOfRun(live);
        QCOMPARE(existing(killedFiles).size(), 4); // profile, scratch, two pipes
        QCOMPARE(existing(liveFiles).size(), 4);
        ::kill(pid_t(killed), SIGKILL);
        QVERIFY(runs[0]->waitForFinished(10000));
        QTRY_VERIFY_WITH_TIMEOUT(::kill(pid_t(offices[0]), 0) != 0, 10000); // its office follows it
        QCOMPARE(existing(killedFiles), killedFiles);
        // A folder named for a process id in use by another process since, and
        // things that only look like a run's.
        const QString tmp = QDir::tempPath();
        const QString reused = tmp + "/cellwinnow-scratch-1.999999999-AbC123";
        QVERIFY(QDir().mkpath(reused));
        const QStringList others = {tmp + "/cellwinnow-office-AbC123", tmp + "/cellwinnow-scratch-2.5-AbC123.txt"};
        QVERIFY(QDir().mkpath(others[0]));
        QFile(others[1]).open(QIODevice::WriteOnly);

        OfficeConnection next;
        QCOMPARE(whyNoOffice(next), QString());
        QCOMPARE(existing(killedFiles), QStringList());
        QVERIFY(!QFileInfo::exists(reused));
        QCOMPARE(existing(liveFiles), liveFiles);
        QCOMPARE(existing(others), others);
        QVERIFY(!existing(filesOfRun(QCoreApplication::applicationPid())).isEmpty()); // this run's own
        QDir(others[0]).removeRecursively();
        QFile::remove(others[1]);

        // An office that died while storing leaves its scratch file beside the
        // result; a name that is also that of a live office's goes not.
        const QString own = QString::number(QCoreApplication::applicationPid());
        const QStringList scratch{in + "/lu" + own.chopped(1) + "x1.tmp", in + "/lu" + own + "x1.tmp", in + "/lu.tmp"};
        for (const QString& file : scratch)
            QFile(file).open(QIODevice::WriteOnly);
        office_runs::removeStoreScratch(in, own.chopped(1).toLongLong());
        QCOMPARE(existing(scratch), scratch.mid(1));

        runs[1]->closeWriteChannel();
        QVERIFY(runs[1]->waitForFinished(30000));
        QCOMPARE(runs[1]->exitCode(), 0);
        QCOMPARE(existing(liveFiles), QStringList());
        QVERIFY(::kill(pid_t(offices[1]), 0) != 0);
    }
};

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--hold-office") == 0)
        return holdOffice(argc, argv);
    QCoreApplication app(argc, argv);
    TestUntrusted test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_untrusted.moc"
