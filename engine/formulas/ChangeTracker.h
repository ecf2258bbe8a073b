#pragma once
// Which formulas of a sheet may show something else once cells were emptied.
// A formula that refers only to cells of its own sheet, through plain
// references and functions whose result depends on nothing but their
// arguments, changes only when a cell it refers to (or a formula among them)
// is emptied or changes; any other formula is taken to change whenever
// anything at all was emptied. The engine reads again only what may have
// changed, so a workbook of formulas is not read cell by cell.

#include "Cell.h"

#include <QHash>
#include <QList>
#include <QString>

namespace formulas {

class ChangeTracker {
public:
    /// The sheet's formulas as the office writes them ("=SUM(A1:B2)"), by
    /// cell; without them every formula is taken to change.
    void setFormulas(QHash<CellKey, QString> formulas);
    /// The formula at the cell as written; empty when not known.
    QString formula(int column, int row) const { return m_formulas.value(key(column, row)); }
    /// A cell of this sheet is to be emptied (pending until flushed()).
    void emptied(int column, int row);
    /// The cells to be emptied are now empty.
    void flushed();
    /// Whether the formula at the cell may show something other than before
    /// anything was emptied (pending: than now, once the cells still to be
    /// emptied are), given that something in the document was (is still to
    /// be) emptied.
    bool mayHaveChanged(int column, int row, bool pending = false);

private:
    struct Known {
        bool changed;
        qint64 asOf; ///< a "not changed" holds until more is emptied
    };
    struct Emptied {
        QHash<int, QList<int>> rows; // per column, sorted
        qint64 count = 0;
        qsizetype folded = 0; ///< of the log, what rows holds
        QHash<CellKey, Known> known;
        bool anyIn(const Range& range) const;
    };
    bool changed(Emptied& emptied, CellKey key, int depth);
    void fold(Emptied& emptied);

    QHash<CellKey, QString> m_formulas;
    QHash<int, QList<int>> m_formulaRows; // per column, sorted
    Emptied m_all, m_pending;
    QList<CellKey> m_log; // cells emptied, not yet in both
    QHash<CellKey, QList<Range>> m_parsed;
    QHash<CellKey, bool> m_plain;
    int m_budget = 0;
};

} // namespace formulas
