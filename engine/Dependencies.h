#pragma once
// Which formulas of a sheet may show something else once cells were emptied.
// A formula that refers only to cells of its own sheet, through plain
// references and functions whose result depends on nothing but their
// arguments, changes only when a cell it refers to (or a formula among them)
// is emptied or changes; any other formula is taken to change whenever
// anything at all was emptied. The engine reads again only what may have
// changed, so a workbook of formulas is not read cell by cell.

#include <QHash>
#include <QList>
#include <QString>

namespace Calc1 {

class Dependencies {
public:
    /// The sheet's formulas, keyed by cellKey(), as the office writes them
    /// ("=SUM(A1:B2)"); without them every formula is taken to change.
    void setFormulas(QHash<quint64, QString> formulas);
    /// The formula at the cell as written; empty when not known.
    QString formula(int column, int row) const { return m_formulas.value(cellKey(column, row)); }
    /// A cell of this sheet is to be emptied (pending until flushed()).
    void emptied(int column, int row);
    /// The cells to be emptied are now empty.
    void flushed();
    /// Whether the formula at the cell may show something other than before
    /// anything was emptied (pending: than now, once the cells still to be
    /// emptied are), given that something in the document was (is still to
    /// be) emptied.
    bool mayHaveChanged(int column, int row, bool pending = false);

    static quint64 cellKey(int column, int row) { return quint64(quint32(row)) << 32 | quint32(column); }

    struct Range {
        int startColumn, startRow, endColumn, endRow;
        bool operator==(const Range&) const = default;
    };
    /// The ranges of its own sheet a formula refers to; false when it may
    /// depend on anything else (another sheet, a name, a function not known
    /// to be plain).
    static bool references(const QString& formula, QList<Range>& ranges);

    struct SheetRange {
        QString sheet;
        Range range;
        bool operator==(const SheetRange&) const = default;
    };
    /// What a formula reads: ranges of its own sheet and of sheets it names.
    /// Not plain when it may read anything else (a name, a function whose
    /// result is not its arguments', a range across sheets).
    struct Parsed {
        bool plain = false;
        QList<Range> ranges;
        QList<SheetRange> elsewhere;
    };
    static Parsed parse(const QString& formula);

private:
    struct Known {
        bool changed;
        qint64 asOf; ///< a "not changed" holds until more is emptied
    };
    struct Emptied {
        QHash<int, QList<int>> rows; // per column, sorted
        qint64 count = 0;
        qsizetype folded = 0; ///< of the log, what rows holds
        QHash<quint64, Known> known;
        bool anyIn(const Range& range) const;
    };
    bool changed(Emptied& emptied, quint64 key, int depth);
    void fold(Emptied& emptied);

    QHash<quint64, QString> m_formulas;
    QHash<int, QList<int>> m_formulaRows; // per column, sorted
    Emptied m_all, m_pending;
    QList<quint64> m_log; // cells emptied, not yet in both
    QHash<quint64, QList<Range>> m_parsed;
    QHash<quint64, bool> m_plain;
    int m_budget = 0;
};

} // namespace Calc1
