#pragma once
// What the formulas of one sheet read, for reading them by rounds: for each
// formula, the cells of the sheet it reads, directly or through the formulas
// it reads. A formula that may read anything else (a name, a function whose
// result is not its arguments', a range across sheets, another sheet's cells
// that hold formulas) reads every cell. Internal to the engine.
//
// The cells that matter are those the rounds may empty, each with its
// position in the visiting order. During a walk over them the graph answers,
// cheaply and conservatively (a search that grows too long says yes):
// whether a formula reads a cell found so far whose state differs from the
// one the exact way would give it, and which emptying last changed a cell
// it reads.

#include "Dependencies.h"

#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <limits>

namespace Calc1 {

class FormulaGraph {
public:
    static constexpr int Everything = std::numeric_limits<int>::max();

    /// What a range on the sheet of that name is: 0 this sheet's own, 1
    /// another sheet's that holds no formula, -1 anything else or unsure.
    using Elsewhere = std::function<int(const QString& sheet, const Dependencies::Range& range)>;

    /// `formulas`: every formula of the sheet as written, by cell key.
    /// `positions`: the visiting position of each cell that may be emptied.
    FormulaGraph(QHash<quint64, QString> formulas, QHash<quint64, int> positions, const Elsewhere& elsewhere);

    /// The last position among the cells the formula reads; Everything when
    /// it may read anything, -1 when it reads none of them.
    int reach(quint64 formula);
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
    /// exact way does not.
    void markBad(int column, int row, unsigned missing, unsigned extra);
    /// What the formula, read in the view, saw differently among the cells
    /// marked so far (through the formulas it reads that the view had not
    /// emptied): Other also when unsure.
    Difference readsBad(quint64 formula, int view = 0);
    /// The last emptying among the cells the formula reads, through the
    /// formulas it reads that are not emptied (0: none).
    int latestBatch(quint64 formula);

    /// Starts a colouring: `colourOf` gives, for a cell a check leaves as it
    /// is in the views of one colour only, that colour (1 and on), 0 for a
    /// formula never emptied in a check, -1 for a cell emptied in every view.
    void newColouring(const std::function<int(int position)>& colourOf);
    /// The colours (bits) of the cells the formula reads directly or through
    /// formulas of colour 0; -1 when it may read anything or the search grows
    /// too long.
    qint64 coloursRead(quint64 formula);

private:
    struct Node {
        bool everything = false;
        QList<Dependencies::Range> ranges; // of this sheet
    };
    const Node& node(quint64 formula);
    int reachOf(quint64 formula, int depth);
    bool emptied(quint64 formula, int view) const;
    Difference badIn(quint64 formula, int view, int depth);
    qint64 coloursIn(quint64 formula, int depth);
    int batchIn(quint64 formula, int depth);
    // The formulas of this sheet within the range, by key.
    void formulasIn(const Dependencies::Range& range, const std::function<bool(quint64)>& each) const;

    QHash<quint64, QString> m_formulas;
    QHash<quint64, int> m_positions;
    QHash<quint64, Node> m_nodes;
    Elsewhere m_elsewhere;
    QHash<int, QList<int>> m_formulaRows; // per column, sorted
    QHash<int, QList<int>> m_cellRows; // cells that may be emptied, per column, sorted
    QHash<int, QList<std::pair<int, int>>> m_readRows; // per column: row intervals some formula reads, merged
    bool m_everythingRead = false;
    QHash<quint64, int> m_reach;

    // Of the walk.
    std::function<int(int)> m_batchOf;
    std::function<bool(int, int)> m_emptiedIn;
    int m_views = 1;
    struct Marks {
        QHash<int, QList<int>> missing, extra; // per column, in the order found (rows ascending)
        qint64 count = 0;
        struct Known {
            Difference difference;
            qint64 asOf; ///< a difference short of Other holds until more is marked
        };
        QHash<quint64, Known> known;
    };
    QList<Marks> m_marks; // per view
    QHash<quint64, int> m_batch;
    int m_maxBatch = 0;
    qint64 m_budget = 0;

    // Of the colouring.
    std::function<int(int)> m_colourOf;
    QHash<quint64, qint64> m_colours;
    qint64 m_colourBudget = 0;
};

} // namespace Calc1
