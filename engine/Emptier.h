#pragma once
// Repeats are emptied in batches, which is what makes the engine fast. Emptied
// cells are counted (and listed when asked for), and the repeats the office
// refuses to empty are reported once for the whole file. Internal to the engine.

#include "Calc1.h"
#include "ErrorReport.h"

#include <QList>

#include <optional>

namespace Calc1 {

/// Runs of cells along a row are one range, and runs of the same columns on
/// consecutive rows one rectangle.
class Ranges {
public:
    /// Cells are added row by row from the top, left to right.
    void add(int sheet, int column, int row);
    /// The rectangles, taken.
    QList<office::RangeAddress> take();
    qsizetype size() const { return m_runs.size(); }
    bool isEmpty() const { return m_runs.isEmpty(); }

private:
    QList<office::RangeAddress> m_runs;
};

class Emptier {
public:
    // Kept repeats go into `result` when keptInResult, and emptied cells too
    // when cells are to be listed; the count always does.
    Emptier(StepGuard& step, office::Document& document, FileResult& result, bool keptInResult, bool listCells);

    /// A repeat to empty with the next flush; `alone` for a cell of an array
    /// formula, which can be emptied only with the whole array.
    void add(int sheet, int column, int row, bool alone, int deleteStep, const QString& text, const CellPlace& first);
    void flush();
    bool hasPending() const { return !m_ranges.isEmpty() || !m_alone.isEmpty(); }

    /// A repeat emptied by other means, and one the office refused to empty.
    void emptiedElsewhere(int sheet, int column, int row, const QString& text, const CellPlace& first);
    void keptElsewhere(const office::RangeAddress& cell, int deleteStep);

    /// A formula that shows what the office may not fetch, left as it is.
    void unserved(const CellPlace& cell, int readStep);

    /// One report for the whole file, never one per cell.
    void reportLeft();

    bool emptiedAny = false;

private:
    void kept(const office::RangeAddress& r);
    void listEmptied(const QList<office::RangeAddress>& refused);

    StepGuard& step;
    office::Document& document;
    FileResult& m_result;
    FileResult* m_listed;
    QList<EmptiedCell>* m_list;
    QList<EmptiedCell> m_pending;
    Ranges m_ranges;
    QList<office::RangeAddress> m_alone;
    int m_deleteStep = 0;
    qint64 m_kept = 0;
    std::optional<office::RangeAddress> m_firstKept;
    qint64 m_unserved = 0;
    std::optional<CellPlace> m_firstUnserved;
    int m_readStep = 0;
};

/// Whether a formula that shows the text shows what the office may not fetch
/// (web data, an external link, DDE) in place of what its owner sees: it is
/// neither a repeat nor a first instance.
inline bool showsUnserved(const QString& text)
{
    // The office's own error for content it was told not to fetch.
    return text == QLatin1String("Err:540");
}

} // namespace Calc1
