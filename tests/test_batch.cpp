// The batch command, run as a user runs it, on workbooks made here: its
// results against the window's engine, its report against the cells that
// were emptied, the dry run, exit statuses, an office killed mid-batch, and
// shards spread by GNU parallel.

#include "BoxScript.h"
#include "Calc1.h"
#include "GeneratedBooks.h"
#include "OfficeConnection.h"
#include "OfficeTest.h"
#include "SheetFixture.h"
#include "SmallDisk.h"
#include "TestSettings.h"
#include "TreeMaker.h"
#include "WorkFolders.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <thread>

Q_DECLARE_METATYPE(Scope)

namespace {

struct Run {
    int status = -1;
    QString out, err;
};

// The commands' temporary folder, where their offices keep their profiles.
QString commandTemp()
{
    static const QTemporaryDir temp;
    return temp.path();
}

// Folders that a user who is not root may write to as well: a temporary
// folder, and a home for what the office keeps there (font caches).
QString sharedTemp(int which = 0)
{
    static const QTemporaryDir temp, home;
    const QString path = (which == 0 ? temp : home).path();
    ::chmod(QFile::encodeName(path).constData(), 01777);
    return path;
}

// notRoot: as a user who is not root, since root reads and writes whatever
// the permissions say.
void startBatch(QProcess& process, QStringList arguments, bool notRoot = false)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", notRoot ? sharedTemp() : commandTemp());
    QString program = CW_BATCH_PROGRAM;
    if (notRoot && ::geteuid() == 0) {
        environment.insert("HOME", sharedTemp(1));
        arguments = QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", "--", program} + arguments;
        program = "setpriv";
    }
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
}

Run batch(const QStringList& arguments, const QByteArray& input = {}, const QString& workingDirectory = {},
          bool notRoot = false)
{
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    startBatch(process, arguments, notRoot);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(300000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

// RFC 4180, as the report is written; the header row is left out.
QList<QStringList> csvRows(const QString& text)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += text[++i];
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row << std::exchange(field, {});
        } else if (c == '\r' && text.mid(i, 2) == "\r\n") {
            row << std::exchange(field, {});
            rows << std::exchange(row, {});
            ++i;
        } else {
            field += c;
        }
    }
    return rows.mid(1);
}

QString readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QStringList filesIn(const QString& folder)
{
    QStringList names;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
        names << QDir(folder).relativeFilePath(it.next());
    names.sort();
    return names;
}

// The live processes whose parent is the given one: {pid, name}.
QList<std::pair<qint64, QByteArray>> children(qint64 parent)
{
    QList<std::pair<qint64, QByteArray>> found;
    for (const QString& pid : QDir("/proc").entryList({"[0-9]*"}, QDir::Dirs)) {
        const QByteArray stat = readAll("/proc/" + pid + "/stat").toUtf8();
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[0] != "Z" && fields[1].toLongLong() == parent)
            found.append(
                {pid.toLongLong(), stat.mid(stat.indexOf('(') + 1, stat.lastIndexOf(')') - stat.indexOf('(') - 1)});
    }
    return found;
}

// Whether a process has the file open, as an office has a document it works on.
bool hasOpen(qint64 pid, const QString& path)
{
    const QString fds = QString("/proc/%1/fd").arg(pid), file = QFileInfo(path).canonicalFilePath();
    for (const QString& fd : QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        if (QFile::symLinkTarget(fds + '/' + fd) == file)
            return true;
    return false;
}

// Stops the office (SIGSTOP) at a moment it has the file open.
bool stopWhileOpen(qint64 office, const QString& path)
{
    for (const QDeadlineTimer deadline(300000); !deadline.hasExpired();) {
        if (hasOpen(office, path)) {
            ::kill(pid_t(office), SIGSTOP);
            if (hasOpen(office, path))
                return true;
            ::kill(pid_t(office), SIGCONT);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

// The offices of the command's workers.
QList<qint64> officesBelow(qint64 command)
{
    QList<qint64> offices;
    for (const auto& worker : children(command))
        for (const auto& [pid, name] : children(worker.first))
            if (name == "soffice.bin")
                offices << pid;
    return offices;
}

// What the commands left: files in their temporary folder, and processes
// (offices, whoever their parent now is) that use it.
QStringList leftovers()
{
    QStringList left = QDir(commandTemp()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString& pid : QDir("/proc").entryList({"[0-9]*"}, QDir::Dirs))
        if (readAll("/proc/" + pid + "/cmdline").contains(commandTemp()))
            left << "process " + pid;
    return left;
}

// A part of a stored package: content.xml is what a result holds, without
// what changes from one store to the next.
QByteArray part(const QString& package, const QString& name = "content.xml")
{
    QProcess unzip;
    unzip.start("unzip", {"-p", package, name});
    return unzip.waitForFinished(60000) && unzip.exitCode() == 0 ? unzip.readAllStandardOutput() : "unreadable";
}

} // namespace

class TestBatch : public OfficeTest {
    Q_OBJECT

    // Repeats within and across sheets, texts that need quoting in CSV, a
    // formula that shows a repeat only once a cell before it is emptied, a
    // protected sheet whose repeat is kept, a file in a sub-folder, an .xls
    // given by name and a file that is no spreadsheet.
    QStringList makeBooks()
    {
        fixture->writeTexts(
            in + "/a.ods",
            {{{"x", "y", "x"}, {"say \"hi\", twice", "y", "a\nb"}}, {{"a\nb", "z"}, {"z", "say \"hi\", twice", "x"}}});
        QDir().mkpath(in + "/sub");
        fixture->writeTexts(in + "/sub/b.ods", {{{"x", "x", "=B1&\"y\"", "y"}, {"y", "p", "=A1", "p"}}}, {}, true);
        const FixtureCell k = FixtureCell::ofText("k");
        FixtureCell q = FixtureCell::ofText("q");
        q.locked = false;
        FixtureLook protectedSheet;
        protectedSheet.protectedSheet = true;
        fixture->write(in + "/c.ods", {{{k, k, q}, {q, k}}}, {protectedSheet});
        fixture->writeTexts(dir.filePath("d.xls"), {{{"1", "2", "1"}, {"2", "3", "3"}}});
        return {in + "/a.ods", in + "/c.ods", in + "/sub/b.ods", dir.filePath("d.xls")};
    }

    // Some thirty workbooks over folders of years and quarters, made once
    // and copied into the input folder; their paths below it.
    QStringList personsTree()
    {
        const QString master = dir.filePath("tree");
        QStringList books;
        const QStringList folders{"2023/Q1", "2023/Q 2", "2023/-Q3 draft", "2024/Q1", "2024/Q 2", "Ärger & Söhne",
                                  "-old", "."};
        const QString samples = QCoreApplication::applicationDirPath() + "/Samples"; // shipped beside the programs
        quint32 seed = 0;
        for (int f = 0; f < folders.size(); ++f)
            for (const QString& name : {QString(f % 2 ? "report.xlsx" : "report.ods"), QString("budget.ods"),
                                        QString("Übersicht (v2).xlsx"), QString("contacts.ods")}) {
                const QString book = QDir::cleanPath(folders[f] + '/' + name);
                books << book;
                if (QFile::exists(master + '/' + book))
                    continue;
                QDir().mkpath(QFileInfo(master + '/' + book).path());
                if (name == "contacts.ods") {
                    QFile::copy(samples + (f % 2 ? "/Contacts.ods" : "/Survey answers.ods"), master + '/' + book);
                } else {
                    const auto [sheets, looks] = generated(++seed);
                    fixture->write(master + '/' + book, sheets, looks);
                }
            }
        QProcess copy;
        copy.start("cp", {"-a", master + "/.", in});
        copy.waitForFinished();
        return books;
    }

    // Where the command puts a book's result: below the results folder as
    // the book is below the folder named, a book named itself at the top.
    QString resultOf(const QString& book, const QString& results = {}) const
    {
        const QString below = book.startsWith(in + '/') ? QFileInfo(QDir(in).relativeFilePath(book)).path() : ".";
        return QDir::cleanPath((results.isEmpty() ? out : results) + '/' + below + '/'
                               + QFileInfo(book).completeBaseName() + ".ods");
    }

private slots:

    void sameAsTheWindowsEngine_data()
    {
        QTest::addColumn<int>("jobs");
        QTest::addColumn<Scope>("scope");
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("kept"); // of the protected sheet
        QTest::newRow("one job, entire sheet") << 1 << Scope::EntireSheet << ""
                                               << "2,B1";
        QTest::newRow("two jobs, entire sheet") << 2 << Scope::EntireSheet << ""
                                                << "2,B1";
        QTest::newRow("two jobs, column B") << 2 << Scope::SingleColumn << "b"
                                            << "1,B2";
        QTest::newRow("one job, row 2") << 1 << Scope::SingleRow << "2"
                                        << "";
    }
    void sameAsTheWindowsEngine()
    {
        QFETCH(int, jobs);
        QFETCH(Scope, scope);
        QFETCH(QString, where);
        QFETCH(QString, kept);
        const QStringList books = makeBooks();
        // The walk takes the folder's .ods files, the folder's own first.
        QStringList arguments{"--results",           out, "--jobs",    QString::number(jobs), "--report",
                              dir.filePath("r.csv"), in,  books.last()};
        if (scope == Scope::SingleRow)
            arguments << "--row" << where;
        if (scope == Scope::SingleColumn)
            arguments << "--column" << where;
        const Run run = batch(arguments);
        QCOMPARE(run.status, 0);

        const QString expected = dir.filePath("expected");
        QDir(expected).removeRecursively();
        QDir().mkpath(expected);
        TestSettings settings;
        settings.scope = scope;
        settings.row = settings.column = where;
        BoxScript boxes;
        if (!kept.isEmpty())
            boxes.answer(Host::Ok); // the kept repeats of the protected sheet
        for (const QString& book : books) {
            settings.folder = QFileInfo(resultOf(book, expected)).path();
            QVERIFY(QDir().mkpath(settings.folder));
            SeenTexts seen;
            Calc1::DoItByFile(book, seen, {*office, settings, boxes, 0});
        }
        QCOMPARE(filesIn(out), filesIn(expected));
        for (const QString& name : filesIn(expected))
            QCOMPARE(fixture->describe(out + "/" + name), fixture->describe(expected + "/" + name));

        // Each emptied cell is a row, with the cell that keeps its text; the
        // kept repeat has a row of its own.
        QSet<QStringList> emptied, reported;
        for (const QString& book : books) {
            const QList<ShownSheet> before = fixture->read(book), after = fixture->read(resultOf(book));
            for (int s = 0; s < before.size(); ++s)
                for (int r = 0; r < before[s].size(); ++r)
                    for (int c = 0; c < before[s][r].size(); ++c)
                        if (!before[s][r][c].isEmpty() && after[s].value(r).value(c).isEmpty())
                            emptied << QStringList{book, QString("Sheet%1").arg(s + 1),
                                                   Calc1::getColumnLetters(c + 1) + QString::number(r + 1),
                                                   before[s][r][c]};
        }
        QStringList keptRows;
        for (const QStringList& row : csvRows(readAll(dir.filePath("r.csv")))) {
            QCOMPARE(row.size(), 7);
            if (row[6].contains("could not be emptied and were kept")) {
                QCOMPARE(row.mid(0, 2), (QStringList{in + "/c.ods", "Sheet1"}));
                keptRows << row[6].section(' ', 0, 0) + "," + row[2];
                continue;
            }
            QVERIFY2(row[6].isEmpty(), qPrintable(row[6]));
            reported << row.mid(0, 4);
            const QList<ShownSheet> after = fixture->read(resultOf(row[0]));
            const int sheet = row[4].mid(5).toInt() - 1, column = Calc1::getColumnNumber(row[5].left(1)) - 1,
                      line = row[5].mid(1).toInt() - 1;
            QCOMPARE(after.value(sheet).value(line).value(column), row[3]);
        }
        QVERIFY(!emptied.isEmpty());
        QCOMPARE(reported, emptied);
        QCOMPARE(keptRows.join(""), kept);
    }

    // The dry run decides as a real run does (the formula judged after the
    // cell before it is emptied included) and writes nothing but the report.
    void dryRun()
    {
        const QStringList books = makeBooks();
        QHash<QString, QByteArray> before;
        for (const QString& book : books)
            before.insert(book, readAll(book).toUtf8());
        const QStringList common{"--quiet", "--jobs", "2", in, books.last()};
        Run run = batch(QStringList{"--dry-run", "--results", out, "--report", dir.filePath("dry.csv")} + common);
        QCOMPARE(run.status, 0);
        QCOMPARE(filesIn(out), QStringList());
        for (const QString& book : books)
            QVERIFY(readAll(book).toUtf8() == before.value(book));
        run = batch(QStringList{"--results", out, "--report", dir.filePath("real.csv")} + common);
        QCOMPARE(run.status, 0);
        const QString report = readAll(dir.filePath("real.csv"));
        QVERIFY(report.contains(in + "/sub/b.ods,Sheet1,D1,y,Sheet1,C1,"));
        QCOMPARE(readAll(dir.filePath("dry.csv")), report);
        // Without a report the cells are counted, not listed.
        qsizetype rows = 0;
        for (const QStringList& row : csvRows(report))
            rows += row.value(6).isEmpty() ? 1 : 0;
        QVERIFY(QDir().mkpath(dir.filePath("again")));
        run = batch({"--jobs", "2", "--results", dir.filePath("again"), in, books.last()});
        QVERIFY2(run.err.contains(QString("; %1 cell(s) emptied").arg(rows)), qPrintable(run.err));
    }

    void exitStatus_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        auto row = [](const char* name, const QStringList& arguments, int status, const QString& message) {
            QTest::newRow(name) << arguments << status << message;
        };
        row("no results folder", {"IN"}, 2, "no results folder");
        row("results folder missing", {"--results", "OUT/none", "IN"}, 2, "results folder does not exist: OUT/none");
        row("path missing", {"--results", "OUT", "IN/gone.ods"}, 2, "no such file or folder: IN/gone.ods");
        row("row 0", {"--results", "OUT", "--row", "0", "IN"}, 2, "--row must be");
        row("row not a number", {"--results", "OUT", "--row", "2x", "IN"}, 2, "Must be numeric entry");
        row("row a fraction", {"--results", "OUT", "--row", "1.5", "IN"}, 2, "--row must be");
        row("column a number", {"--results", "OUT", "--column", "3", "IN"}, 2, "Must be a character column");
        row("column no column", {"--results", "OUT", "--column", "A1", "IN"}, 2, "--column must be");
        row("row and column", {"--results", "OUT", "--row", "1", "--column", "A", "IN"}, 2, "not both");
        row("bad shard", {"--results", "OUT", "--shard", "3/2", "IN"}, 2, "--shard must be");
        row("no jobs", {"--results", "OUT", "--jobs", "0", "IN"}, 2, "--jobs must be");
        row("unknown option", {"--results", "OUT", "--bogus", "IN"}, 2, "bogus");
        row("report folder missing", {"--results", "OUT", "--report", "OUT/none/r.csv", "IN"}, 2,
            "cannot write the report");
        row("no files", {"--results", "OUT", "--extension", "xyz", "IN"}, 1, "no files found");
        row("bad format", {"--results", "OUT", "--format", "pdf", "IN"}, 2, "--format must be");
        row("unknown match", {"--results", "OUT", "--match", "fuzzy", "IN"}, 2, "--match must be");
        row("colour that is none", {"--results", "OUT", "--mark", "--mark-colour", "reddish", "IN"}, 2,
            "--mark-colour must be");
        row("colour without a review", {"--results", "OUT", "--mark-colour", "red", "IN"}, 2, "give --mark too");
        row("review and dry run", {"--results", "OUT", "--mark", "--dry-run", "IN"}, 2, "not both");
        row("columns backwards", {"--results", "OUT", "--column", "B:A", "IN"}, 2, "ends before it begins");
        row("rows backwards", {"--results", "OUT", "--row", "3,9:7", "IN"}, 2, "ends before it begins");
        row("negative header", {"--results", "OUT", "--skip-rows", "-1", "IN"}, 2, "--skip-rows must be");
        row("two on standard output", {"--results", "OUT", "--json", "--report", "-", "IN"}, 2, "--json and --report -");
        row("version", {"--version"}, 0, "");
        row("a file that fails is named", {"--results", "OUT", "IN/empty.ods", "IN/a.ods"}, 1,
            "failed: The file is empty: IN/empty.ods");
        row("a file named twice", {"--results", "OUT", "IN/a.ods", "IN/../in/a.ods"}, 0, "1 file(s): 1 done");
        row("report is an input", {"--results", "OUT", "--report", "IN/a.ods", "IN"}, 2,
            "the report IN/a.ods is a file of this run");
        row("result is the input", {"--format", "same", "--results", "IN", "IN/a.ods"}, 1,
            "failed: The result of IN/a.ods would replace the file itself");
        for (const char* jobs : {"2", "3"})
            row(qPrintable(QString("the last two share a result, %1 jobs").arg(jobs)),
                {"--jobs", jobs, "--results", "OUT", "IN/empty.ods", "IN/a.ods", "IN/sub/a.ods"}, 1,
                "failed: The result of IN/sub/a.ods would replace OUT/a.ods, the result of IN/a.ods, listed before it");
    }
    void exitStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, message);
        fixture->writeTexts(in + "/a.ods", {{{"x", "x"}}});
        QFile(in + "/empty.ods").open(QIODevice::WriteOnly);
        QVERIFY(QDir().mkpath(in + "/sub") && QFile::copy(in + "/a.ods", in + "/sub/a.ods"));
        const QString before = readAll(in + "/a.ods");
        arguments.replaceInStrings("IN", in).replaceInStrings("OUT", out);
        QElapsedTimer clock;
        clock.start();
        const Run run = batch(arguments);
        qInfo("ended in %lld ms", clock.elapsed());
        QCOMPARE(run.status, status);
        QVERIFY2(run.err.contains(message.replace("IN", in).replace("OUT", out)), qPrintable(run.err));
        QCOMPARE(readAll(in + "/a.ods"), before);
        if (status != 0) // nothing but what was asked for
            QCOMPARE(filesIn(out), status == 1 && arguments.contains(in + "/a.ods") && arguments.contains(out)
                                       ? QStringList{"a.ods"}
                                       : QStringList());
    }

    // Each failure said in a person's words that name the file, exactly as
    // standard error has it, with the exit status; lists as people write them.
    void saysWhy_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input"); // standard input
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("says"); // lines of standard error
        QTest::addColumn<QByteArray>("printed"); // standard output, when it matters
        auto row = [](const char* name, const QString& setup, const QStringList& arguments, int status,
                      const QStringList& says, const QByteArray& input = {}, const QByteArray& printed = {}) {
            QTest::newRow(name) << setup << arguments << input << status << says << printed;
        };
        const QString damaged = "is not a spreadsheet the office can open: it may be damaged, or another kind of file";
        const QString nothingStored = "1 file(s): 0 done, 1 failed, 0 skipped, 0 not done; 0 cell(s) emptied";
        const QString twoDone = "2 file(s): 2 done, 0 failed, 0 skipped, 0 not done; 2 cell(s) emptied";
        row("password-protected", "", {"--results", "OUT", "IN/pw.ods"}, 1,
            {"failed: IN/pw.ods is protected by a password"});
        row("password-protected, as .xls", "", {"--results", "OUT", "IN/pw.xls"}, 1,
            {"failed: IN/pw.xls is protected by a password"});
        row("damaged", "", {"--results", "OUT", "IN/bad.ods"}, 1, {"failed: IN/bad.ods " + damaged});
        row("a file you may not read", "not root", {"--results", "OUT", "IN/secret.ods"}, 1,
            {"failed: You may not read IN/secret.ods"});
        row("a folder you may not read", "not root", {"--results", "OUT", "IN"}, 1,
            {"left out: IN/locked: cannot read this folder (Permission denied)"});
        row("a results folder you may not write to", "not root, results read-only", {"--results", "OUT", "IN/a.ods"},
            2, {"You may not write to the results folder OUT"});
        row("a results path that is a file", "", {"--results", "IN/b.ods", "IN/a.ods"}, 2,
            {"The results folder IN/b.ods is a file, not a folder"});
        row("a full disk", "full", {"--results", "DISK", "IN/big.ods"}, 1,
            {"failed: IN/big.ods: No space left on the disk of the results folder DISK", nothingStored});
        row("a name too long", "", {"--results", "OUT", "IN/LONG"}, 1,
            {"failed: IN/LONG: The name of the result LONG.ods is too long for the file system of OUT", nothingStored});
        row("a folder where the result goes", "folder a.ods", {"--results", "OUT", "IN/a.ods"}, 1,
            {"failed: IN/a.ods: A folder in OUT has the name the result should take, a.ods", nothingStored});
        row("a leading dash", "", {"--results", "OUT", "-dash.ods"}, 2,
            {"Unknown option 'dash.ods'. To name the file -dash.ods, put -- before it: cellwinnow-batch [options] -- "
             "-dash.ods"});
        row("a leading dash after --", "", {"--results", "OUT", "--", "-dash.ods"}, 0,
            {"1 file(s): 1 done, 0 failed, 0 skipped, 0 not done; 1 cell(s) emptied"});
        row("a list with a vanished line", "", {"--results", "OUT", "-"}, 1,
            {"failed: There is no file IN/gone.ods", "3 file(s): 2 done, 1 failed, 0 skipped, 0 not done; 2 cell(s) emptied"},
            "IN/a.ods\nIN/gone.ods\nIN/b.ods\n");
        row("a list with CR LF", "", {"--results", "OUT", "-"}, 0, {twoDone}, "IN/a.ods\r\nIN/b.ods\r\n");
        row("a list of NUL-ended paths", "", {"-0", "--results", "OUT", "-"}, 0, {twoDone},
            QByteArray("IN/a.ods\0IN/b.ods\0", 18));
        row("a list written NUL-ended", "", {"--list", "--null", "IN/a.ods", "IN/b.ods"}, 0, {}, {},
            QByteArray("IN/a.ods\0IN/b.ods\0", 18));
    }
    void saysWhy()
    {
        QFETCH(QString, setup);
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(int, status);
        QFETCH(QStringList, says);
        QFETCH(QByteArray, printed);
        fixture->writeTexts(in + "/a.ods", {{{"x", "x"}}});
        fixture->writeTexts(in + "/b.ods", {{{"y", "y"}}});
        fixture->writeTexts(in + "/-dash.ods", {{{"z", "z"}}});
        fixture->writeTexts(in + "/pw.ods", {{{"secret", "secret"}}}, "opensesame");
        fixture->writeTexts(in + "/pw.xls", {{{"secret", "secret"}}}, "opensesame");
        QFile bad(in + "/bad.ods");
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write(QByteArray("PK\x03\x04", 4) + QByteArray(3000, 'x')) > 0);
        bad.close();
        const QString longName = QString(255, 'n');
        QVERIFY(QFile::copy(in + "/a.ods", in + '/' + longName));
        const QString disk = dir.filePath("disk");
        std::optional<SmallDisk> small;
        if (setup == "full") {
            QStringList texts; // that pack badly: the result must not fit
            for (int i = 0; i < 1500; ++i)
                texts << QCryptographicHash::hash(QByteArray::number(i), QCryptographicHash::Sha1).toHex();
            fixture->writeTexts(in + "/big.ods", {{texts, texts}});
            small.emplace(disk, "24k");
            REQUIRE_MOUNTED(*small);
        }
        if (setup.startsWith("folder"))
            QVERIFY(QDir().mkpath(out + '/' + setup.section(' ', 1)));
        const bool notRoot = setup.startsWith("not root");
        if (notRoot) {
            makeFiles(in, {"locked/x.ods"});
            QVERIFY(QFile::copy(in + "/a.ods", in + "/secret.ods"));
            for (const auto& [path, mode] : {std::pair{dir.path(), 0755}, {in, 0755}, {out, 0777}, {in + "/locked", 0},
                                             {in + "/secret.ods", 0}})
                QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
            if (setup.endsWith("read-only"))
                QCOMPARE(::chmod(QFile::encodeName(out).constData(), 0555), 0);
        }
        const auto place = [&](QString text) {
            return text.replace("IN", in).replace("OUT", out).replace("DISK", disk).replace("LONG", longName);
        };
        const Run run = batch(arguments.replaceInStrings("IN", in).replaceInStrings("OUT", out).replaceInStrings(
                                  "DISK", disk).replaceInStrings("LONG", longName),
                              place(QString::fromUtf8(input)).toUtf8(), in, notRoot);
        QCOMPARE(run.status, status);
        const QStringList lines = run.err.split('\n');
        for (const QString& line : says)
            QVERIFY2(lines.contains("cellwinnow-batch: " + place(line)), qPrintable(run.err));
        if (!printed.isEmpty())
            QCOMPARE(run.out.toUtf8(), place(QString::fromUtf8(printed)).toUtf8());
        // Nothing half-written is left where results go.
        for (const QString& folder : {out, disk})
            for (const QString& name : filesIn(folder))
                QVERIFY2(!name.contains(".cellwinnow-"), qPrintable(name));
        if (notRoot)
            QCOMPARE(QDir(sharedTemp()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).join(' '), QString());
    }

    // For scripts: a JSON object a file as it ends (done, failed, skipped)
    // and a summary; with the options a worker must be given: texts matched
    // regardless of case, two columns, the header left alone. A result counts
    // as done only when made from the file as it is: one newer than a file
    // that changed since is not.
    void forScripts()
    {
        fixture->writeTexts(in + "/a.ods",
                            {{{"Name", "x", "Name"}, {"Acme", "y", "ACME"}, {"acme", "z", "b"}, {"B", "y", "Name"}}});
        fixture->writeTexts(in + "/old.ods", {{{"o", "o"}}});
        fixture->writeTexts(in + "/changed.ods", {{{"h"}, {"c", "", "c"}}});
        QFile(in + "/empty.ods").open(QIODevice::WriteOnly);
        QVERIFY(QFile::copy(in + "/old.ods", out + "/old.ods"));
        QCOMPARE(QProcess::execute("touch", {"-r", in + "/old.ods", out + "/old.ods"}), 0);
        QVERIFY(QFile::copy(in + "/changed.ods", out + "/changed.ods"));
        const Run run = batch({"--match", "case", "--column", "A,C", "--skip-rows", "1", "--skip-done", "--json",
                               "--results", out, "--report", dir.filePath("r.csv"), in + "/a.ods", in + "/empty.ods",
                               in + "/old.ods", in + "/changed.ods"});
        QCOMPARE(run.status, 1);
        QMap<QString, QJsonObject> files;
        QJsonObject summary;
        for (const QString& line : run.out.split('\n', Qt::SkipEmptyParts)) {
            const QJsonObject object = QJsonDocument::fromJson(line.toUtf8()).object();
            QVERIFY2(!object.isEmpty(), qPrintable(line));
            (object.contains("summary") ? summary : files[QFileInfo(object["file"].toString()).fileName()]) = object;
        }
        QCOMPARE(files.keys(), (QStringList{"a.ods", "changed.ods", "empty.ods", "old.ods"}));
        QCOMPARE(files["changed.ods"]["status"].toString(), QString("done"));
        QCOMPARE(files["a.ods"]["status"].toString(), QString("done"));
        QCOMPARE(files["a.ods"]["result"].toString(), out + "/a.ods");
        QCOMPARE(files["a.ods"]["emptied"].toInt(), 3);
        QVERIFY(files["a.ods"]["seconds"].toDouble() > 0);
        QCOMPARE(files["old.ods"]["status"].toString(), QString("skipped"));
        QCOMPARE(files["empty.ods"]["status"].toString(), QString("failed"));
        QVERIFY(files["empty.ods"]["result"].isNull());
        const QJsonObject error = files["empty.ods"]["errors"].toArray().at(0).toObject();
        QCOMPARE(error["step"].toInt(), 106);
        QCOMPARE(error["procedure"].toString(), QString("Calc1.DoItByFile"));
        QVERIFY(error["description"].toString().startsWith("The file is empty"));
        QCOMPARE(summary["files"].toObject(),
                 (QJsonObject{{"done", 2}, {"failed", 1}, {"skipped", 1}, {"not done", 0}, {"left out", 0}}));
        QCOMPARE(summary["emptied"].toInt(), 4);
        QList<QStringList> emptied;
        for (const QStringList& row : csvRows(readAll(dir.filePath("r.csv"))))
            if (row[6].isEmpty() && row[0] == in + "/a.ods")
                emptied << row.mid(2, 2) + row.mid(5, 1);
        QCOMPARE(emptied, (QList<QStringList>{{"C2", "ACME", "A2"}, {"A3", "acme", "A2"}, {"A4", "B", "C3"}}));
    }

    // The command's own walk: a folder's files sorted before its sub-folders,
    // hidden names left out, a folder reached through two links walked once,
    // a circle of links ended, names the window's walk refuses taken; files
    // as named and from standard input, each once. A link to nothing is told.
    void list()
    {
        const QString deep = "deep/" + QString(250, 'l') + "/" + QString(20, 'y'); // past the window's 260
        makeFiles(in, {"b.ods", "a.ods", "x.txt", "deep/c.ods", "deep/er/d.ods", ".hidden.ods", ".hid/h.ods", "e.XLSX",
                       "deep/f.xlsb", "g.csv", "what?/q.ods", deep + "/long.ods"});
        QVERIFY(QFile::link("..", in + "/deep/circle"));
        QVERIFY(QFile::link(in + "/deep", in + "/also deep"));
        QVERIFY(QFile::link(in + "/nowhere", in + "/gone.ods"));
        // Every spreadsheet type the office opens, but text.
        QStringList expected{"x.txt", "a.ods", "b.ods", "e.XLSX", "also deep/c.ods", "also deep/f.xlsb",
                             "also deep/er/d.ods", "also deep/" + deep.mid(5) + "/long.ods", "what?/q.ods"};
        expected.replaceInStrings(QRegularExpression("^"), in + "/");
        Run run = batch({"--list", in + "/x.txt", in, "-"}, (in + "/a.ods\n\n" + in + "/deep/c.ods\n").toUtf8());
        QCOMPARE(run.status, 1);
        QCOMPARE(run.out.split('\n', Qt::SkipEmptyParts), expected);
        QVERIFY2(run.err.contains("left out: " + in + "/gone.ods: a link to nothing"), qPrintable(run.err));
        run = batch({"--list", "--extension", ".CSV,txt", in});
        QCOMPARE(run.out.split('\n', Qt::SkipEmptyParts), (QStringList{in + "/g.csv", in + "/x.txt"}));
    }

    // A tree as people keep one: the same names in many folders, accents,
    // blanks and a leading dash in folder names, workbooks with formulas,
    // protection, arrays and notes. Results mirror the tree, each exact
    // against the literal emptying; no file of the tree is ever replaced.
    void aPersonsTree_data()
    {
        QTest::addColumn<QString>("results");
        QTest::newRow("two jobs, results beside the tree") << "beside";
        QTest::newRow("results inside the tree, then --skip-done") << "inside";
        QTest::newRow("same format, results are the tree") << "the tree";
    }
    void aPersonsTree()
    {
        QFETCH(QString, results);
        const QStringList books = personsTree();
        const auto snapshot = [this] {
            QMap<QString, QByteArray> files;
            for (const QString& name : filesIn(in)) {
                QFile file(in + '/' + name);
                files[name] = file.open(QIODevice::ReadOnly) ? file.readAll() : "unreadable";
            }
            return files;
        };
        const auto timed = [](const QStringList& arguments) {
            QElapsedTimer clock;
            clock.start();
            const Run run = batch(arguments);
            qInfo("%s: %lld ms", qPrintable(arguments.first()), clock.elapsed());
            return run;
        };
        if (results == "the tree") {
            const QMap<QString, QByteArray> before = snapshot();
            const Run run = timed({"--format", "same", "--jobs", "2", "--results", in, in});
            QCOMPARE(run.status, 1);
            QCOMPARE(run.err.count("would replace the file itself"), books.size());
            QVERIFY(snapshot() == before);
            return;
        }
        const QString to = results == "beside" ? out : in + "/cleaned";
        QVERIFY(QDir().mkpath(to + "/2023/Q1"));
        // What a run killed outright left where it stored.
        const QString dead = to + "/2023/Q1/.cellwinnow-999999999.1-0123456789ab.tmp";
        QVERIFY(QFile(dead).open(QIODevice::WriteOnly));
        const Run run = timed({"--jobs", "2", "--results", to, in});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QStringList expected;
        for (const QString& book : books)
            expected << QDir(to).relativeFilePath(resultOf(in + '/' + book, to));
        expected.sort();
        QCOMPARE(filesIn(to), expected);
        if (results == "beside") {
            QElapsedTimer clock;
            clock.start();
            for (const QString& book : books) {
                const QString literal = dir.filePath("literal.ods");
                fixture->emptyRepeatsOneByOne(in + '/' + book, literal);
                QVERIFY2(fixture->describe(resultOf(in + '/' + book, to)) == fixture->describe(literal),
                         qPrintable(book));
            }
            qInfo("the literal emptying of %lld books and the comparison: %lld ms", books.size(), clock.elapsed());
            return;
        }
        const QMap<QString, QByteArray> before = snapshot();
        const Run again = timed({"--skip-done", "--jobs", "2", "--results", to, in});
        QCOMPARE(again.status, 0);
        QVERIFY2(again.err.contains(QString("%1 file(s) skipped").arg(books.size())), qPrintable(again.err));
        QVERIFY(snapshot() == before);
    }

    // Results in the format people work in: the same sheets, the repeats
    // empty, every other cell showing, holding and formatted as before, its
    // note too (some formats keep notes as drawings, which are not compared);
    // an .xlsm keeps its macro module, which never runs.
    void formats_data()
    {
        QTest::addColumn<QString>("input"); // the workbook's extension
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("result"); // the result's extension
        QTest::newRow("ods as xlsx") << "ods" << "xlsx" << "xlsx";
        QTest::newRow("ods as xls") << "ods" << "xls" << "xls";
        QTest::newRow("xlsx as ods") << "xlsx" << "ods" << "ods";
        QTest::newRow("xlsx kept") << "xlsx" << "same" << "xlsx";
        QTest::newRow("xls kept") << "xls" << "same" << "xls";
        QTest::newRow("fods kept") << "fods" << "same" << "fods";
        QTest::newRow("xlsm kept, its macro too") << "xlsm" << "same" << "xlsm";
        QTest::newRow("a template gives ods") << "ots" << "same" << "ods";
        QTest::newRow("csv kept") << "csv" << "same" << "csv";
    }
    void formats()
    {
        QFETCH(QString, input);
        QFETCH(QString, format);
        QFETCH(QString, result);
        using C = FixtureCell;
        C noted = C::ofText("apple"), kept = C::ofText("kiwi"), merged = C::ofText("Summary");
        noted.note = "goes with the repeat";
        kept.note = "stays";
        merged.mergeColumns = 2;
        const FixtureBook book{{{C::ofText("Item"), C::ofText("Price"), C::ofText("Day"), C::ofText("Twice")},
                                {C::ofText("apple"), C::ofNumber(1.5, "0.00"), C::ofNumber(45535, "YYYY-MM-DD"),
                                 C::ofFormula("=B2*2", "0.0")},
                                {C::ofText("pear"), C::ofNumber(1.5, "0.00"), C::ofNumber(45536, "YYYY-MM-DD"),
                                 C::ofFormula("=LEN(A3)")},
                                {noted, C::ofNumber(2, "0.00"), C::ofNumber(45535, "YYYY-MM-DD"), kept},
                                {merged, {}, C::ofNumber(0.25, "0%")}},
                               {{C::ofText("apple"), C::ofFormula("=Sheet1.A3"), C::ofText("plum")}}};
        const QString path = in + "/book." + input;
        if (input == "csv")
            fixture->writeTexts(path, {{{"a", "b", "a"}, {"1.5", "b", "c"}}});
        else
            fixture->write(path, book, {}, input == "xlsm" ? "Sub Auto_Open()\n  Range(\"A1\").Value = \"ran\"\nEnd Sub\n" : "");
        const Run run = batch({"--format", format, "--results", out, "--report", dir.filePath("r.csv"), path});
        QCOMPARE(run.status, 0);
        QCOMPARE(filesIn(out), QStringList{"book." + result});
        QCOMPARE(run.err.contains("results of .ots files are stored as .ods"), input == "ots");
        const QList<ShownSheet> before = fixture->describe(path), after = fixture->describe(out + "/book." + result);
        QSet<std::pair<int, QString>> emptied;
        for (const QStringList& row : csvRows(readAll(dir.filePath("r.csv"))))
            emptied.insert({row[1].endsWith('2'), row[2]});
        QCOMPARE(emptied.size(), input == "csv" ? 2 : 5);
        QCOMPARE(after.size(), before.size());
        for (int s = 0; s < before.size(); ++s)
            for (int r = 0; r < before[s].size(); ++r)
                for (int c = 0; c < before[s][r].size() && !before[s][r][c].startsWith("drawings:"); ++c) {
                    const bool repeat = emptied.contains({s, Calc1::getColumnLetters(c + 1) + QString::number(r + 1)});
                    QCOMPARE(after[s].value(r).value(c).section(" | ", 0, repeat ? 0 : -1),
                             repeat ? QString() : before[s][r][c]);
                }
        if (input == "xlsm") // its A1 would say "ran"
            QVERIFY(part(path, "xl/vbaProject.bin").contains("Module=Module1")
                    && part(out + "/book.xlsm", "xl/vbaProject.bin").contains("Module=Module1"));
    }

    // Something killed mid-file. An office or a worker: that file fails, a
    // new one takes the next. The command itself, interrupted: it ends at
    // once with its workers and offices, leaves no half-written result, and
    // a run with --skip-done takes up what it left.
    void killedMidFile_data()
    {
        QTest::addColumn<QString>("who");
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        QTest::newRow("office killed") << "office" << int(SIGKILL) << 1 << "failed: IN/2.ods";
        QTest::newRow("worker killed") << "worker" << int(SIGKILL) << 1
                                       << "failed: IN/2.ods: the worker processing it ended unexpectedly";
        QTest::newRow("interrupted") << "command" << int(SIGINT) << 130 << "not done: IN/2.ods";
        QTest::newRow("terminated") << "command" << int(SIGTERM) << 143 << "not done: IN/2.ods";
        // A file of a kilobyte whose one cell is repeated a billion times down and across.
        QTest::newRow("office past its memory")
            << "memory" << 0 << 1 << "failed: IN/2.ods: Given up: the office needed more than 400 MB";
    }
    void killedMidFile()
    {
        QFETCH(QString, who);
        QFETCH(int, signal);
        QFETCH(int, status);
        QFETCH(QString, says);
        fixture->writeTexts(in + "/1.ods", {{{"a", "a"}}});
        QList<QStringList> big(1200, QStringList(50));
        for (int r = 0; r < big.size(); ++r)
            for (int c = 0; c < 50; ++c)
                big[r][c] = QString::number((r * 50 + c) % 9000);
        fixture->writeTexts(in + "/2.ods", {big});
        if (who == "memory") {
            QFile bomb(in + "/2.ods");
            QVERIFY(bomb.open(QIODevice::WriteOnly | QIODevice::Truncate));
            bomb.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:body><office:spreadsheet><table:table table:name="Sheet1"><table:table-row table:number-rows-repeated="999999999">
<table:table-cell table:number-columns-repeated="999999999" office:value-type="string"><text:p>boom</text:p></table:table-cell>
</table:table-row></table:table></office:spreadsheet></office:body></office:document>)");
        }
        fixture->writeTexts(in + "/3.ods", {{{"b", "b"}}});
        fixture->writeTexts(in + "/4.ods", {{{"c", "c"}}});
        const QStringList files{in + "/1.ods", in + "/2.ods", in + "/3.ods", in + "/4.ods"};
        QStringList common{"--jobs", "1", "--recycle", "0", "--results", out, "--report", dir.filePath("r.csv")};
        if (who == "memory")
            common << "--office-memory" << "400";
        QProcess process;
        startBatch(process, common + files);
        process.setReadChannel(QProcess::StandardError);
        QByteArray err;
        while (!err.contains("[1/4]") && process.waitForReadyRead(60000))
            err += process.readAllStandardError();
        const QList<qint64> offices = officesBelow(process.processId());
        QVERIFY2(offices.size() == 1, err.constData());
        QElapsedTimer sinceKill;
        if (signal) {
            // Killed inside the big file, not between two files (where the
            // next file would simply get a fresh office): the office, stopped
            // while it has the file open, cannot finish it first however fast it is.
            QVERIFY2(stopWhileOpen(offices[0], in + "/2.ods"), "the office never opened the file");
            const qint64 target = who == "office" ? offices[0]
                : who == "worker"                 ? ::children(process.processId()).value(0).first
                                                  : process.processId();
            sinceKill.start();
            ::kill(pid_t(target), signal);
        }
        QVERIFY(process.waitForFinished(300000));
        if (signal)
            qInfo("ended %lld ms after the signal", sinceKill.elapsed());
        err += process.readAllStandardError();
        QCOMPARE(process.exitCode(), status);
        QVERIFY2(err.contains(says.replace("IN", in).toUtf8()), err.constData());
        QCOMPARE(leftovers(), QStringList());
        const QList<QStringList> rows = csvRows(readAll(dir.filePath("r.csv")));
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[1].mid(0, 1), QStringList{in + "/2.ods"});
        if (who != "command") {
            QVERIFY(rows[1][6].startsWith("failed: "));
            QCOMPARE(filesIn(out), (QStringList{"1.ods", "3.ods", "4.ods"}));
            return;
        }
        QCOMPARE(rows[0], (QStringList{in + "/1.ods", "Sheet1", "B1", "a", "Sheet1", "A1", ""}));
        for (int n : {2, 3, 4})
            QVERIFY2(err.contains(QString("not done: %1/%2.ods").arg(in).arg(n).toUtf8()), err.constData());
        QCOMPARE(filesIn(out), QStringList{"1.ods"});
        const QDateTime first = QFileInfo(out + "/1.ods").lastModified();
        const Run resumed = batch(QStringList{"--skip-done"} + common + files);
        QCOMPARE(resumed.status, 0);
        QVERIFY2(resumed.err.contains("1 file(s) skipped"), qPrintable(resumed.err));
        QCOMPARE(filesIn(out), (QStringList{"1.ods", "2.ods", "3.ods", "4.ods"}));
        QCOMPARE(QFileInfo(out + "/1.ods").lastModified(), first);
        QCOMPARE(csvRows(readAll(dir.filePath("r.csv"))).value(0).value(0), in + "/2.ods");
    }

    // Many small workbooks through office restarts give what one office
    // that never restarts gives, and leave no office or profile behind.
    void manyFilesThroughRestarts_data()
    {
        QTest::addColumn<int>("files");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("restartsSaid"); // by memory
        QTest::newRow("two jobs, a new office every 3 files")
            << 120 << QStringList{"--jobs", "2", "--recycle", "3"} << 0;
        QTest::newRow("past a memory limit") << 8 << QStringList{"--jobs", "2", "--recycle-memory", "1"} << 8;
    }
    void manyFilesThroughRestarts()
    {
        QFETCH(int, files);
        QFETCH(QStringList, arguments);
        QFETCH(int, restartsSaid);
        const QStringList books = makeBooks();
        QStringList paths;
        const QString many = dir.filePath("many");
        QDir(many).removeRecursively();
        QDir().mkpath(many);
        for (int i = 0; i < files; ++i) {
            const QString& book = books[i % books.size()];
            QVERIFY(QFile::copy(book, QString("%1/%2-%3").arg(many).arg(i, 3, 10, QChar('0')).arg(QFileInfo(book).fileName())));
        }
        const QString expected = dir.filePath("expected");
        QDir(expected).removeRecursively();
        QDir().mkpath(expected);
        const QStringList all{"--extension", "*", many};
        const Run once = batch(QStringList{"--jobs", "1", "--recycle", "0", "--results", expected, "--report",
                                           dir.filePath("once.csv")} + all);
        QCOMPARE(once.status, 0);
        const Run run = batch(arguments + QStringList{"--results", out, "--report", dir.filePath("r.csv")} + all);
        QCOMPARE(run.status, 0);
        QCOMPARE(run.err.count("the next file gets a new one"), restartsSaid);
        QCOMPARE(readAll(dir.filePath("r.csv")), readAll(dir.filePath("once.csv")));
        QCOMPARE(filesIn(out), filesIn(expected));
        QCOMPARE(filesIn(out).size(), files);
        for (const QString& name : filesIn(expected))
            QVERIFY2(part(out + "/" + name) == part(expected + "/" + name), qPrintable(name));
        QCOMPARE(leftovers(), QStringList());
    }

    // Two shards through GNU parallel give together what one run gives.
    void shardsThroughParallel()
    {
        const QStringList books = makeBooks();
        const Run whole = batch({"--quiet", "--results", out, "--report", dir.filePath("whole.csv"), in, books.last()});
        QCOMPARE(whole.status, 0);
        const QString sharded = dir.filePath("sharded");
        QDir(sharded).removeRecursively();
        QDir().mkpath(sharded);
        QProcess parallel;
        parallel.start("parallel",
                       {"--will-cite", "--halt", "never", CW_BATCH_PROGRAM, "--quiet", "--shard", "{}/2", "--results",
                        sharded, "--report", dir.filePath("part{}.csv"), in, books.last(), ":::", "1", "2"});
        QVERIFY2(parallel.waitForFinished(300000), "GNU parallel is needed: run scripts/install-deps.sh");
        QCOMPARE(parallel.exitCode(), 0);
        QCOMPARE(filesIn(sharded), filesIn(out));
        for (const QString& name : filesIn(out))
            QCOMPARE(fixture->describe(sharded + "/" + name), fixture->describe(out + "/" + name));
        const QList<QStringList> one = csvRows(readAll(dir.filePath("part1.csv"))),
                                 two = csvRows(readAll(dir.filePath("part2.csv")));
        QVERIFY(!one.isEmpty() && !two.isEmpty());
        QCOMPARE(one + two, csvRows(readAll(dir.filePath("whole.csv"))));
    }
};

QTEST_GUILESS_MAIN(TestBatch)
#include "test_batch.moc"
