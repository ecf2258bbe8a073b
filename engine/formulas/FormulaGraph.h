#pragma once
// What the formulas of one sheet read, for reading them by rounds: for each
// formula, the cells of the sheet it reads, directly or through the formulas
// it reads. A formula that may read anything else (a name, a function whose
// result is not its arguments', a range across sheets, another sheet's cells
// that hold formulas) reads every cell.
//
// The cells that matter are those the rounds may empty, each with its
// position in the visiting order. During a walk over them the graph answers,
// cheaply and conservatively (a search that grows too long says yes):
// whether a formula reads a cell found so far whose state differs from the
// one the exact way would give it, and which emptying last changed a cell
// it reads.

#include "Cell.h"
#include "References.h"

#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <limits>

namespace formulas {

class FormulaGraph {
public:
    static constexpr int Everything = std::numeric_limits<int>::max();

    /// What a range on the sheet of that name is: 0 this sheet's own, 1
    /// another sheet's that holds no formula, -1 anything else or unsure.
    using Elsewhere = std::function<int(const QString& sheet, const Range& range)>;

    /// `formulas`: every formula of the sheet as written, by cell key.
    /// `positions`: the visiting position of each cell that may be emptied.
    FormulaGraph(const QHash<CellKey, QString>& formulas, const QHash<CellKey, int>& positions,
                 const Elsewhere& elsewhere);
    FormulaGraph(const FormulaGraph&) = delete; // its nodes point into its columns
    FormulaGraph& operator=(const FormulaGraph&) = delete;

    /// The last position among the cells the formula reads; Everything when
    /// it may read anything, -1 when it reads none of them.
    int reach(CellKey formula);
    /// Whether some formula reads the cell.
    bool isRead(int column, int row) const;

    /// A check's views of the sheet: 0 as the office has it now; 1 and on, as
    /// it was with a layer of guesses emptied on top while formulas were read.
    static constexpr int MaxViews = 8;
    /// What a formula read in a view saw differently from the exact way.
    enum Difference { None = 0, NotYetEmptied = 1, Other = 2 };

    /// Starts a walk: `batchOf` gives the emptying that emptied a cell (0:
    /// not emptied), `emptiedIn` whether it was emptied in a view; both hold
    /// for the whole walk.
    void newWalk(const std::function<int(int position)>& batchOf, int views,
                 const std::function<bool(int position, int view)>& emptiedIn);
    /// A cell found in the walk that the exact way empties but the views of
    /// `missing` (bits) did not, or that the views of `extra` emptied and the
    /// exact way does not. Cells are marked in visiting order, each before
    /// any formula after it is asked about.
    void markBad(int column, int row, unsigned missing, unsigned extra);
    /// What the formula, read in the view, saw differently among the cells
    /// marked so far (through the formulas it reads that the view had not
    /// emptied): Other also when unsure.
    Difference readsBad(CellKey formula, int view = 0);
    /// The last emptying among the cells the formula reads, through the
    /// formulas it reads that are not emptied (0: none).
    int latestBatch(CellKey formula);

    /// Starts a colouring: `colourOf` gives, for a cell a check leaves as it
    /// is in the views of one colour only, that colour (1 and on), 0 for a
    /// formula never emptied in a check, -1 for a cell emptied in every view.
    void newColouring(const std::function<int(int position)>& colourOf);
    /// The colours (bits) of the cells the formula reads directly or through
    /// formulas of colour 0; -1 when it may read anything or the search grows
    /// too long.
    qint64 coloursRead(CellKey formula);

private:
    static constexpr int Unknown = -2;
    // A column's rows, sorted, with what stands at each: a formula's index
    // (formulas), a cell's position (cells).
    struct FormulaColumn {
        QList<int> rows, items;
    };
    struct CellColumn {
        QList<int> rows, items;
        QList<int> batches; // of the walk: the emptying that emptied each
    };
    // Rows first to end of a column.
    template <typename Column> struct Span {
        const Column* column;
        qsizetype first, end;
    };
    struct Node {
        bool everything = false;
        QList<Range> ranges; // of this sheet
        QList<Span<FormulaColumn>> formulas; // within the ranges
        QList<Span<CellColumn>> cells;
    };
    void noteReadRows();
    Node makeNode(const QString& formula) const;
    int reachOf(int formula, int depth);
    bool emptied(int formula, int view) const;
    Difference badIn(int formula, int view, int depth);
    qint64 coloursIn(int formula, int depth);
    int batchIn(int formula, int depth);
    // The formulas the node reads directly, by index.
    template <typename F> void formulasIn(const Node& n, F&& each) const;

    // Formulas by index.
    QHash<CellKey, int> m_ids;
    QList<Node> m_nodes;
    QList<int> m_formulaPosition; // -1: not a cell that may be emptied
    Elsewhere m_elsewhere;
    QHash<int, FormulaColumn> m_formulaColumns;
    QHash<int, CellColumn> m_cellColumns; // cells that may be emptied
    QHash<int, QList<std::pair<int, int>>> m_readRows; // per column: row intervals some formula reads, merged
    bool m_everythingRead = false;
    QList<int> m_reach;

    // Of the walk.
    std::function<bool(int, int)> m_emptiedIn;
    int m_views = 1;
    struct Marks {
        QHash<int, QList<int>> missing, extra; // per column, in the order found (rows ascending)
        qint64 count = 0;
        struct Known {
            bool set = false;
            Difference difference = None;
            qint64 asOf = 0; ///< a difference short of Other holds until more is marked
            bool lasting = false; ///< or for the whole walk
        };
        QList<Known> known;
    };
    QList<Marks> m_marks; // per view
    QList<int> m_batch;
    int m_maxBatch = 0;
    qint64 m_budget = 0;
    int m_frontier = -1; // the cells before this position are all marked

    // Of the colouring.
    std::function<int(int)> m_colourOf;
    QList<qint64> m_colours;
    qint64 m_colourBudget = 0;
};

} // namespace formulas
