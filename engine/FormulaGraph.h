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

    /// Starts a walk: `batchOf` gives the emptying that emptied a cell (0:
    /// not emptied); it holds for the whole walk.
    void newWalk(const std::function<int(int position)>& batchOf);
    /// A cell found in the walk whose state differs from the exact way's.
    void markBad(int column, int row);
    /// Whether the formula reads a cell marked so far (through the formulas it
    /// reads that are not emptied).
    bool readsBad(quint64 formula);
    /// The last emptying among the cells the formula reads, through the
    /// formulas it reads that are not emptied (0: none).
    int latestBatch(quint64 formula);

private:
    struct Node {
        bool everything = false;
        QList<Dependencies::Range> ranges; // of this sheet
    };
    const Node& node(quint64 formula);
    int reachOf(quint64 formula, int depth);
    bool emptied(quint64 formula) const;
    bool badIn(quint64 formula, int depth);
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
    QHash<int, QList<int>> m_badRows; // per column, in the order found (rows ascending)
    qint64 m_badCount = 0;
    struct Known {
        bool bad;
        qint64 asOf; ///< a "no" holds until more is marked
    };
    QHash<quint64, Known> m_bad;
    QHash<quint64, int> m_batch;
    int m_maxBatch = 0;
    qint64 m_budget = 0;
};

} // namespace Calc1
