// The batch command, run as a user runs it, on workbooks made here: its
// results against the window's engine, its report against the cells that
// were emptied, the dry run, exit statuses, an office killed mid-batch, and
// shards spread by GNU parallel.

#include "BoxScript.h"
#include "Calc1.h"
#include "OfficeConnection.h"
#include "SheetFixture.h"
#include "TestSettings.h"
#include "WorkFolders.h"

#include <QDirIterator>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

Q_DECLARE_METATYPE(Scope)

namespace {

struct Run {
    int status = -1;
    QString out, err;
};

Run batch(const QStringList& arguments, const QByteArray& input = {})
{
    QProcess process;
    process.start(CW_BATCH_PROGRAM, arguments);
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

// The office processes below a process, by walking /proc.
QList<qint64> officesBelow(qint64 root)
{
    QSet<qint64> tree{root};
    QList<qint64> offices;
    for (bool grew = true; grew;) {
        grew = false;
        for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
            const QByteArray stat = readAll("/proc/" + pid + "/stat").toUtf8();
            const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
            if (fields.size() < 2 || tree.contains(pid.toLongLong()) || !tree.contains(fields[1].toLongLong()))
                continue;
            tree << pid.toLongLong();
            grew = true;
            if (stat.contains("(soffice.bin)"))
                offices << pid.toLongLong();
        }
    }
    return offices;
}

} // namespace

class TestBatch : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString in, out;
    std::unique_ptr<OfficeConnection> office;
    std::unique_ptr<SheetFixture> fixture;

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
        fixture->write(in + "/c.ods", {{{k, k, q}, {q, k}}}, {FixtureLook{true}});
        fixture->writeTexts(dir.filePath("d.xls"), {{{"1", "2", "1"}, {"2", "3", "3"}}});
        return {in + "/a.ods", in + "/c.ods", in + "/sub/b.ods", dir.filePath("d.xls")};
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(!OfficeConnection::findSoffice().isEmpty(), "No office installed: run scripts/install-deps.sh");
        office = std::make_unique<OfficeConnection>();
        fixture = std::make_unique<SheetFixture>(*office);
    }
    void init() { QVERIFY(freshFolders(dir, in, out)); }

    QString resultOf(const QString& book) const { return out + "/" + QFileInfo(book).completeBaseName() + ".ods"; }

    void sameAsTheWindowsEngine_data()
    {
        QTest::addColumn<int>("jobs");
        QTest::addColumn<Scope>("scope");
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("kept"); // of the protected sheet
        QTest::newRow("one job, entire sheet") << 1 << Scope::EntireSheet << ""
                                               << "kept 2 ,B1";
        QTest::newRow("two jobs, entire sheet") << 2 << Scope::EntireSheet << ""
                                                << "kept 2 ,B1";
        QTest::newRow("two jobs, column B") << 2 << Scope::SingleColumn << "b"
                                            << "kept 1 ,B2";
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
        settings.folder = expected;
        BoxScript boxes;
        if (!kept.isEmpty())
            boxes.answer(MessageBox::Ok); // the kept repeats of the protected sheet
        for (const QString& book : books) {
            SeenTexts seen;
            Calc1::DoItByFile(book, seen, {*office, settings, 0});
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
            if (row[6].startsWith("kept ")) {
                QCOMPARE(row.mid(0, 2), (QStringList{in + "/c.ods", "Sheet1"}));
                keptRows << row[6].left(7) + "," + row[2];
                continue;
            }
            QVERIFY2(row[6].isEmpty(), qPrintable(row[6]));
            reported << row.mid(0, 4);
            const QList<ShownSheet> after = fixture->read(resultOf(row[0]));
            const int sheet = row[4].mid(5).toInt() - 1, column = Calc1::getColumnNumber(row[5].left(1)) - 1,
                      line = row[5].mid(1).toInt() - 1;
            QCOMPARE(after.value(sheet).value(line).value(column), row[3]);
        }
        QVERIFY(emptied.size() >= 3);
        QCOMPARE(reported, emptied);
        QCOMPARE(keptRows.join(""), kept);
    }
};

QTEST_GUILESS_MAIN(TestBatch)
#include "test_batch.moc"
