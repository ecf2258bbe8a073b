#pragma once
// What a run shows on standard error as it goes: its messages, and a bar on a
// terminal or a line per file elsewhere.

#include "Calc1.h"

#include <QString>

namespace Batch {

/// A message of the command's own, on a line of its own.
void say(const QString& text);

/// A file's failure in words that name it, for a person: the step, the
/// procedure and the office's own text are for the report.
QString inWords(const QString& path, const Calc1::FileResult& result);

class Progress {
public:
    Progress(int total, bool quiet);

    void started(const QString& path);
    void finished(const QString& path, const Calc1::FileResult& result, bool failed);
    /// Takes the bar away before a message is said.
    void clear();

private:
    void draw();

    int m_total, m_done = 0;
    bool m_quiet, m_bar, m_drawn = false;
    QString m_current;
};

} // namespace Batch
