#pragma once
// Visits the chosen cells of one sheet in order, judging each by what it
// shows at its turn. Internal to the engine.

#include "Calc1.h"
#include "Cell.h"
#include "Emptier.h"
#include "ErrorReport.h"

#include <QHash>
#include <QStringList>

#include <optional>

namespace Calc1 {

/// What the scans of one file ask of the whole document, asked once: the
/// names of its sheets and where each holds formulas.
class Workbook {
public:
    explicit Workbook(office::Document& document) : m_document(document) { }

    /// The sheet's name; empty when the office cannot tell.
    QString name(int sheet);
    /// What a range on the sheet of that name is, seen from sheet `from`: 0
    /// that sheet's own, 1 another sheet's that holds no formula, -1 anything
    /// else or unsure.
    int rangeKind(int from, const QString& sheet, const formulas::Range& range);

private:
    office::Document& m_document;
    std::optional<QStringList> m_names;
    QHash<int, std::optional<QHash<int, QList<int>>>> m_formulaRows; // per sheet: rows per column
};

/// Scans the sheet; how its texts were had goes into `reading`. The options
/// may narrow the scope the settings choose.
void scanSheet(StepGuard& step, office::Document& document, int sheetIndex, const JobSettings& settings,
               const FileOptions& options, SeenTexts& seenTexts, Emptier& emptier, Workbook& book,
               SheetReading& reading);

} // namespace Calc1
