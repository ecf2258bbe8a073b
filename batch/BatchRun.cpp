#include "BatchRun.h"

#include "BatchFiles.h"
#include "BatchJson.h"
#include "BatchPool.h"
#include "BatchProgress.h"
#include "BatchReport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

namespace Batch {

namespace {

void print(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

// Hears of each file as it ends: shows it, prints its JSON line, counts it
// and hands it to the report; and sums the run up.
class Parent {
public:
    Parent(const Options& options, const QStringList& files, const QStringList& skipped, QFile* report)
        : m_options(options), m_files(files), m_skipped(skipped), m_report(report, options, files),
          m_progress(int(files.size()), options.quiet)
    {
    }

    int run()
    {
        m_clock.start();
        if (m_options.json)
            for (const QString& path : m_skipped)
                print(jsonFile(path, resultPath(path), Status::Skipped, {}, 0));
        const int signal
            = runPool(m_options, m_files, m_progress, [this](FileResult&& result) { done(std::move(result)); });
        m_progress.clear();
        m_report.finish();
        summary();
        if (signal > 0)
            return 128 + signal;
        return m_failed > 0 || missed() > 0 ? Failed : Done;
    }

private:
    void done(FileResult&& result)
    {
        const QString& path = m_files[result.index];
        const Calc1::FileResult& o = result.outcome.result;
        const bool failed = result.outcome.failed(!m_options.dryRun);
        m_progress.finished(path, o, failed);
        if (m_options.json)
            print(jsonFile(path, o.done ? resultPath(path, o.storedAs) : QString(),
                           failed ? Status::Failed : Status::Done, o, result.seconds));
        m_failed += failed ? 1 : 0;
        m_emptied += o.emptiedCount;
        m_finished.insert(result.index);
        m_report.add(std::move(result));
    }

    qsizetype missed() const { return m_files.size() - m_finished.size(); }

    void summary()
    {
        for (qsizetype i = 0; i < m_files.size(); ++i)
            if (!m_finished.contains(int(i))) {
                say("not done: " + m_files[i]);
                if (m_options.json)
                    print(jsonFile(m_files[i], {}, Status::NotDone, {}, 0));
            }
        const qsizetype doneFiles = m_files.size() - m_failed - missed();
        if (m_options.json)
            print(jsonSummary({{Status::Done, doneFiles},
                               {Status::Failed, m_failed},
                               {Status::Skipped, m_skipped.size()},
                               {Status::NotDone, missed()}},
                              m_emptied, m_clock.elapsed() / 1000.0));
        if (missed() > 0)
            say(QString("%1 file(s) not done: the run was stopped").arg(missed()));
        if (!m_options.quiet)
            say(QString("%1 file(s): %2 done, %3 failed; %4 cell(s) %5")
                    .arg(m_files.size())
                    .arg(doneFiles)
                    .arg(m_failed)
                    .arg(m_emptied)
                    .arg(m_options.dryRun ? "would be emptied (dry run: nothing written)" : "emptied"));
    }

    // Where the file's result is, or would be with the extension it had.
    QString resultPath(const QString& path, const QString& extension = {}) const
    {
        if (m_options.results.isEmpty())
            return {};
        const QString name = extension.isEmpty() ? Batch::resultName(path, m_options.format)
                                                 : Calc1::resultName(path, extension);
        return QDir(m_options.results).filePath(name);
    }

    const Options& m_options;
    const QStringList& m_files;
    const QStringList& m_skipped;
    Report m_report;
    Progress m_progress;
    QElapsedTimer m_clock;
    QSet<int> m_finished;
    qsizetype m_failed = 0;
    qint64 m_emptied = 0;
};

} // namespace

int run(const Options& options, const QStringList& files, const QStringList& skipped)
{
    if (!options.dryRun)
        for (const QStringList& group : sameResultNames(files, options.format))
            say(QString("these files give the same result %1, the later replacing the earlier: %2")
                    .arg(resultName(group.first(), options.format), group.join(", ")));
    for (const QString& suffix : unwritable(files, options.format))
        say(QString("results of %1 are stored as .ods: the office does not write that format")
                .arg(suffix.isEmpty() ? QString("files without an extension") : "." + suffix + " files"));
    const bool toStdout = options.report == "-";
    QFile report(toStdout ? QString() : options.report);
    if (toStdout && !report.open(stdout, QIODevice::WriteOnly))
        return Usage;
    if (!toStdout && !options.report.isEmpty() && !report.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        say(QString("cannot write the report %1: %2").arg(options.report, report.errorString()));
        return Usage;
    }
    const int status = Parent(options, files, skipped, report.isOpen() ? &report : nullptr).run();
    if (report.isOpen() && (!report.flush() || report.error() != QFile::NoError)) {
        say(QString("cannot write the report %1: %2").arg(options.report, report.errorString()));
        return status == Done ? Failed : status;
    }
    return status;
}

} // namespace Batch
