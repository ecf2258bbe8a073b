// What a user with many files sees: the batch command over 200 workbooks of
// 3 sheets x 2,000 cells (a row of totals under each sheet) with one job and
// with two, in files a second; the office's start; the time per file against
// the office's own load and store of the same files; and how the processors'
// time splits between the offices and the command's own processes; then the
// same workbooks as .xlsx, against the office's own conversion and a script.
//
//   bench_batch [files] [cells per sheet] [runs] [folder]
//
// With a folder, the workbooks are kept there and made only when missing, so
// that the same ones can be timed again or profiled.
//
//   bench_batch slow [files] [rows of the slow file]
//
// The memory of the command's parent with --jobs 2 and a report over 2,000
// small workbooks whose first is slow: every file that ends before the first
// has its rows held back until the first's are written.

#include "OfficeConnection.h"
#include "Platform.h"
#include "SheetFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int Columns = 20;

// About half of the cells repeat a text met earlier in the workbook; a number
// in every fourth column, and under each sheet a row of totals.
QList<QList<QStringList>> workbook(int seed, int cellsPerSheet)
{
    QRandomGenerator random{quint32(seed)};
    QList<QList<QStringList>> sheets(3);
    for (auto& sheet : sheets) {
        sheet = QList<QStringList>(cellsPerSheet / Columns, QStringList(Columns));
        for (QStringList& row : sheet)
            for (int c = 0; c < Columns; ++c)
                row[c] = c % 4 == 3 ? QString::number(random.bounded(500))
                                    : QString("t%1").arg(random.bounded(3 * cellsPerSheet));
        QStringList totals(Columns);
        for (int c = 3; c < Columns; c += 4) {
            const QString column = QChar('A' + c);
            totals[c] = "=SUM(" + column + "1:" + column + QString::number(sheet.size()) + ")";
        }
        sheet << totals;
    }
    return sheets;
}

double seconds(const timeval& t)
{
    return double(t.tv_sec) + t.tv_usec / 1e6;
}

double childrenCpu()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Processor seconds of the offices below a process, read from /proc while
// they run: an office's last few milliseconds before it ends are missed.
class OfficeCpu {
public:
    explicit OfficeCpu(qint64 root) : m_root(root), m_thread([this] { run(); }) { }
    ~OfficeCpu() { total(); }
    double total()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        double sum = 0;
        for (const auto& [pid, ticks] : m_last)
            sum += ticks;
        return sum / double(sysconf(_SC_CLK_TCK));
    }

    qint64 parentPeakKb = 0, workerPeakKb = 0;

private:
    static QList<QByteArray> stat(const QString& pid)
    {
        QFile file("/proc/" + pid + "/stat");
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QByteArray line = file.readAll();
        QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        fields.prepend(line.mid(line.indexOf('(') + 1, line.lastIndexOf(')') - line.indexOf('(') - 1));
        return fields; // name, state, ppid, ...
    }
    void run()
    {
        while (!m_stop) {
            std::map<qint64, qint64> parents;
            std::map<qint64, QList<QByteArray>> stats;
            for (const QString& pid : QDir("/proc").entryList({"[0-9]*"}, QDir::Dirs)) {
                QList<QByteArray> fields = stat(pid);
                if (fields.size() > 15) {
                    parents[pid.toLongLong()] = fields[2].toLongLong();
                    stats[pid.toLongLong()] = fields;
                }
            }
            for (const auto& [pid, fields] : stats) {
                if (fields[0] == "cellwinnow-batc") // the kernel keeps 15 characters of a name
                    notePeak(pid);
                if (fields[0] != "soffice.bin")
                    continue;
                qint64 up = parents[pid];
                for (int depth = 0; depth < 4 && up > 1 && up != m_root; ++depth)
                    up = parents.count(up) ? parents[up] : 0;
                if (up == m_root)
                    m_last[pid] = fields[12].toLongLong() + fields[13].toLongLong();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    // The resident peak of the command's own processes, the parent's apart.
    void notePeak(qint64 pid)
    {
        QFile file(QString("/proc/%1/status").arg(pid));
        if (!file.open(QIODevice::ReadOnly))
            return;
        for (const QByteArray& line : file.readAll().split('\n'))
            if (line.startsWith("VmHWM:")) {
                const qint64 kb = line.mid(6).trimmed().split(' ').value(0).toLongLong();
                qint64& peak = pid == m_root ? parentPeakKb : workerPeakKb;
                peak = std::max(peak, kb);
            }
    }
    qint64 m_root;
    std::atomic<bool> m_stop = false;
    std::map<qint64, qint64> m_last;
    std::thread m_thread;
};

struct Timing {
    double wall = 0, cpu = 0, officeCpu = 0;
    qint64 parentKb = 0, workerKb = 0;
    QByteArray out; ///< what the command wrote on its standard output
};

// The command over its inputs (files and folders, in list order).
Timing runBatch(const QStringList& inputs, const QString& out, int jobs, const QStringList& more = {})
{
    QDir(out).removeRecursively();
    QDir().mkpath(out);
    const double cpuBefore = childrenCpu();
    QElapsedTimer timer;
    timer.start();
    QProcess batch;
    batch.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    batch.start(CW_BATCH_PROGRAM,
                QStringList{"--quiet", "--jobs", QString::number(jobs), "--results", out} + more + inputs);
    OfficeCpu offices(batch.processId());
    if (!batch.waitForFinished(-1) || batch.exitCode() != 0) {
        std::fprintf(stderr, "the batch command failed (exit %d)\n", batch.exitCode());
        std::exit(1);
    }
    const double wall = timer.elapsed() / 1000.0;
    return {wall,          childrenCpu() - cpuBefore, offices.total(), offices.parentPeakKb, offices.workerPeakKb,
            batch.readAll()};
}

Timing runBatch(const QString& in, const QString& out, int jobs, const QStringList& more = {})
{
    return runBatch(QStringList{in}, out, jobs, more);
}

// Runs a program to its end; its wall time in seconds, or a negative one when
// it failed.
double timed(const QString& program, const QStringList& arguments, bool quiet = false)
{
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    if (quiet) { // the office names each file it converts
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
    } else {
        process.setProcessChannelMode(QProcess::ForwardedChannels);
    }
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return -1;
    return timer.elapsed() / 1000.0;
}

// The same workbooks as .xlsx, results as .xlsx: the batch command with one
// job, the office's own conversion of them (one office, its profile made
// beforehand) and a script over a spreadsheet library with no office.
void compareAsXlsx(const QString& dir, const QStringList& odsFiles)
{
    const QString soffice = OfficeConnection::findSoffice();
    const QString profile = "-env:UserInstallation=" + QUrl::fromLocalFile(dir + "/profile").toString();
    const QString xlsx = dir + "/xlsx", converted = dir + "/converted", scripted = dir + "/scripted";
    const QStringList common{"--headless", "--norestore", profile, "--convert-to", "xlsx", "--outdir"};
    if (timed(soffice, common + QStringList{xlsx} + odsFiles, true) < 0) {
        std::fprintf(stderr, "the office could not make the .xlsx workbooks\n");
        return;
    }
    QStringList xlsxFiles;
    for (const QString& name : QDir(xlsx).entryList({"*.xlsx"}, QDir::Files, QDir::Name))
        xlsxFiles << xlsx + "/" + name;
    const Timing batch = runBatch(xlsx, dir + "/results", 1, {"--format", "same"});
    const double office = timed(soffice, common + QStringList{converted} + xlsxFiles, true);
    std::printf("as .xlsx, results as .xlsx: cellwinnow-batch --jobs 1 --format same %.2f s; the office's own "
                "conversion (one office) %.2f s, %.2fx the batch command\n",
                batch.wall, office, office / batch.wall);
    // The distribution's own Python, which its spreadsheet library is for.
    const QString python = "/usr/bin/python3";
    if (timed(python, {"-c", "import openpyxl"}) < 0) {
        std::printf("the comparison script needs python3-openpyxl: scripts/install-deps.sh --bench\n");
        return;
    }
    const double script = timed(python, QStringList{CW_COMPARE_SCRIPT, scripted} + xlsxFiles);
    std::printf("a script over a spreadsheet library, no office (bench/compare_script.py): %.2f s, %.2fx the "
                "batch command\n",
                script, script / batch.wall);
}

// A running balance over repeated amounts, each row taking the one above
// through INDIRECT (which may read anything): read cell by cell, slow.
QList<QStringList> slowSheet(int rows)
{
    QList<QStringList> sheet;
    for (int r = 0; r < rows; ++r)
        sheet << QStringList{QString::number(r % 7 + 1),
                             r == 0 ? "=A1" : QString("=INDIRECT(\"B%1\")+A%2").arg(r).arg(r + 1)};
    return sheet;
}

// Where the slow file's line comes among the JSON lines, which are written
// as files end: how many files ended before it, and its own seconds.
std::pair<int, double> slowFileEnd(const QByteArray& jsonLines, const QString& slow)
{
    int before = 0;
    for (const QByteArray& line : jsonLines.split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (o.value("file").toString() == slow)
            return {before, o.value("seconds").toDouble()};
        before += o.contains("file") ? 1 : 0;
    }
    return {-1, 0};
}

// The parent's memory with the slow file first (every other file's rows
// held back behind it) and last (none held back), the same files otherwise.
int slowFirst(int files, int rows)
{
    QTemporaryDir dir;
    const QString in = dir.filePath("in"), out = dir.filePath("out");
    QDir().mkpath(in);
    {
        OfficeConnection office;
        SheetFixture fixture(office);
        // A small workbook most of whose cells repeat: 450 rows of the report a file.
        QList<QStringList> small(25, QStringList(Columns));
        for (int r = 0; r < small.size(); ++r)
            for (int c = 0; c < Columns; ++c)
                small[r][c] = QString("text %1").arg((r * Columns + c) % 50);
        fixture.writeTexts(in + "/small.ods", {small});
        fixture.writeTexts(dir.filePath("slow.ods"), {slowSheet(rows)}, {}, true);
    }
    const QString slow = dir.filePath("slow.ods");
    for (int i = 1; i < files; ++i)
        QFile::copy(in + "/small.ods", QString("%1/%2.ods").arg(in).arg(i, 4, 10, QChar('0')));
    QFile::remove(in + "/small.ods");
    std::printf("%d workbooks with --jobs 2 and a report: one of %d rows of INDIRECT over the one above, the others "
                "of 500 cells, 450 of them repeats\n",
                files, rows);
    for (const bool first : {true, false}) {
        const Timing t = runBatch(first ? QStringList{slow, in} : QStringList{in, slow}, out, 2,
                                  {"--json", "--report", dir.filePath("report.csv")});
        const auto [before, seconds] = slowFileEnd(t.out, slow);
        std::printf("slow file %s: %.1f s, %d files ended before it; the run %.1f s, a report of %.1f MB; peak "
                    "memory of the parent %.0f MB, of a worker %.0f MB\n",
                    first ? "first" : "last", seconds, before, t.wall,
                    QFileInfo(dir.filePath("report.csv")).size() / 1048576.0, t.parentKb / 1024.0,
                    t.workerKb / 1024.0);
    }
    return 0;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    Platform::atProgramStart();
    QCoreApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "slow") == 0)
        return slowFirst(argc > 2 ? std::atoi(argv[2]) : 2000, argc > 3 ? std::atoi(argv[3]) : 40000);
    const int files = argc > 1 ? std::atoi(argv[1]) : 200;
    const int cells = argc > 2 ? std::atoi(argv[2]) : 2000;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 1;
    QTemporaryDir dir;
    const QString in = argc > 4 ? QString(argv[4]) : dir.filePath("in");
    const QString out = dir.filePath("out"), plain = dir.filePath("plain");
    QDir().mkpath(in);
    QDir().mkpath(plain);

    QList<double> firstStart, restart;
    QElapsedTimer timer;
    {
        OfficeConnection office;
        timer.start();
        office.start();
        firstStart << timer.elapsed() / 1000.0;
        for (int i = 0; i < 3; ++i) {
            timer.restart();
            office.restart();
            restart << timer.elapsed() / 1000.0;
        }
    }
    OfficeConnection office;
    SheetFixture fixture(office);
    QStringList paths;
    for (int i = 0; i < files; ++i) {
        paths << QString("%1/book%2.ods").arg(in).arg(i, 4, 10, QChar('0'));
        if (!QFileInfo::exists(paths.last()))
            fixture.writeTexts(paths.last(), workbook(i, cells), {}, true);
    }
    timer.restart();
    for (const QString& path : std::as_const(paths))
        fixture.loadAndStore(path, plain + "/" + QFileInfo(path).fileName());
    const double loadStore = timer.elapsed() / 1000.0;
    office.shutdown();

    std::printf("%d workbooks of 3 sheets x %d cells (a row of sums under each), %d processors\n", files, cells,
                QThread::idealThreadCount());
    std::printf("an office's start: %.2f s with a new profile, %.2f s started anew (median of 3)\n", firstStart[0],
                median(restart));
    QList<double> speedups;
    for (int run = 0; run < runs; ++run) {
        for (int jobs : {1, 2}) {
            const Timing t = runBatch(in, out, jobs);
            std::printf("--jobs %d: %.2f s, %.1f files a second, %.0f ms a file; processors: %.2f s, of it the "
                        "offices %.2f s, the command's own processes %.2f s; peak memory of the parent %.0f MB, "
                        "of a worker %.0f MB\n",
                        jobs, t.wall, files / t.wall, 1000.0 * t.wall / files, t.cpu, t.officeCpu,
                        t.cpu - t.officeCpu, t.parentKb / 1024.0, t.workerKb / 1024.0);
            if (jobs == 1)
                speedups << t.wall;
            else
                speedups.last() /= t.wall;
            if (jobs == 1)
                std::printf("per file with --jobs 1, against the office's own load and store (%.0f ms a file, "
                            "one office already running): %.2fx\n",
                            1000.0 * loadStore / files, t.wall / loadStore);
        }
    }
    std::printf("speedup: %.2f%s\n", median(speedups), runs > 1 ? " (median of the runs)" : "");
    compareAsXlsx(dir.path(), paths);
    return 0;
}
