#pragma once
// Reads a sheet's formulas in a few rounds instead of one by one. A formula's
// text at its turn depends only on which of the cells it reads were emptied
// before it. So the cells are decided as if each formula showed what it was
// last read to show; the repeats whose emptying cannot turn out wrong, and
// formulas read by others whose reading held, are emptied together; the
// formulas whose cells changed are read again in bulk, and the cells decided
// again. A formula's reading holds when every cell it reads (through other
// formulas too) was, when it was read, in the state the exact way gives it
// at the formula's turn: emptied if a repeat before it, as it was if after.
// Where every reading holds and every repeat is emptied, each cell was judged
// by what it shows at its turn and the sheet is done. A formula emptied on a
// reading that stops holding is put back by undoing the emptyings since.
//
// A chain of formulas each of which turns into a repeat only once the one
// before it is emptied (a running balance over repeated amounts) would take
// a round a link. So, once the rounds slow down, the formulas are also read
// under the rounds' guesses: the cells taken for repeats that formulas read
// are emptied for a reading in bulk and taken back after it, except the
// formulas of one colour, which are read then; no formula reads one of its
// own colour other than through one emptied. A reading holds as above, as
// the sheet was when it was taken; and a formula whose reading does not hold
// only because cells it reads were not yet emptied is taken for a repeat (in
// such a chain, the end state). What a check's last reading emptied stays in
// place until the next walk: when that decides every cell and it holds only
// repeats, it is their emptying.
//
// Until a formula that reads a later cell (or may read anything) is decided
// for good, nothing after it is emptied. A sheet that needs too many rounds
// goes the exact way from its first undecided cell. Internal to the engine.

#include "Calc1.h"
#include "Emptier.h"
#include "ErrorReport.h"
#include "FormulaGraph.h"
#include "RoundUndo.h"

#include <QList>

#include <functional>
#include <optional>

namespace Calc1 {

using formulas::FormulaGraph;

class GuessAndCheck {
public:
    struct Context {
        StepGuard& step;
        office::Document& document;
        int sheet;
        int readStep, deleteStep;
        SeenTexts& seen;
        Emptier& emptier;
        SheetReading& reading;
        /// Whether a formula text is that of (a cell of) an array formula,
        /// which can be emptied only on its own.
        std::function<bool(int column, int row)> inArray;
    };

    /// `cells`: the sheet's cells with content in the scope from its first
    /// formula on, in visiting order, with what they showed when read (the
    /// cells before them decided and emptied); the `stale` formulas may show
    /// something else since. `graph` over them.
    GuessAndCheck(const Context& context, const QList<office::ShownCell>& cells, const QList<bool>& stale,
                  FormulaGraph& graph);

    /// Decides the cells, the ones at the front for good. Gives how many:
    /// all, with every repeat emptied or left to the emptier; or fewer, when
    /// the exact way is to go on from there, with what the rounds emptied on
    /// a guess put back and the repeats before it emptied or left to the
    /// emptier. `emptied` hears of every cell emptied or left to the emptier.
    qsizetype run(const std::function<void(int column, int row)>& emptied);

private:
    /// What the rounds made of a cell.
    enum class Decision : quint8 {
        Open, ///< not yet decided for good
        Repeat, ///< decided as the exact way decides it, for good: a repeat
        Stays, ///< decided for good: not a repeat
    };
    /// What a check does to a cell while it reads formulas.
    enum class InCheck : quint8 {
        Stays, ///< left as it is in every view
        Emptied, ///< a guess, emptied in every view
        ButColour, ///< a guess, emptied in every view but its colour's
    };
    struct Item {
        int column = 0, row = 0;
        formulas::CellKey key = 0;
        int text = 0; ///< as last read (an id); of an emptied formula, as read before it was
        bool formula = false;
        Decision decision = Decision::Open;
        /// Of a formula: the emptyings in place when it was read; none when
        /// it is to be read again.
        std::optional<int> readAt = 0;
        int batch = 0; ///< the emptying that emptied it, counted from 1; 0: not emptied
        bool kept = false; ///< a repeat the office would not empty
        bool banned = false; ///< emptied once on a reading that failed: emptied only when decided
        bool read = false; ///< some formula reads it
        bool reaches = false; ///< a formula that reads a later cell, or may read anything
        bool guess = false; ///< taken for a repeat in the last walk
        int view = 0; ///< of a formula: where it was last read (0: the sheet as it is; 1 on: in a check)
        InCheck inCheck = InCheck::Stays; ///< in the last check
        int colour = 0; ///< of a formula left as it is in one view: that view

        bool open() const { return decision == Decision::Open; }
    };
    struct Walk {
        qsizetype open = -1; ///< the first item not decided; -1: none
        QList<qsizetype> toEmpty;
        QList<qsizetype> wrong; ///< emptied on a guess that failed
        int problems = 0;
        qsizetype blocked = -1; ///< the first formula that holds back what comes after it; -1: none
    };
    /// What a round's phase leaves to do: the next phase or round, the exact
    /// way from the first cell not decided, or nothing (the document no
    /// longer holds what the exact way would give).
    enum class Phase { Next, Exact, Lost };
    enum class Checked { Nothing, Done, Failed, Lost };

    qsizetype rounds(const std::function<void(int, int)>& emptied);
    // A round's phases.
    Walk walk();
    Phase takeBackWrong(const QList<qsizetype>& wrong);
    bool stalled(int problems);
    Phase emptyAndCheck(Walk& w);
    Phase empty(Walk& w);
    Checked check(qsizetype blockedFrom);
    bool readAgain();
    void tookReadings(const QList<qsizetype>& which, const QStringList& texts, int view);
    qsizetype finish(const std::function<void(int, int)>& emptied);

    // A check's steps.
    bool chooseGuesses(qsizetype end);
    QList<QList<qsizetype>> colourFormulas();
    Checked readColour(int colour, const QList<qsizetype>& formulas, qsizetype end, bool leave);
    void forgetChecks();

    int textId(const QString& text);
    /// The id of what a cell shows; a formula that shows what the office may
    /// not fetch shows something of its own, that counts as nothing.
    int textOf(const QString& text, bool formula);
    bool counts(int text) const { return text != m_none && text != m_unserved; }
    int newKey(bool seenBefore);
    /// Whether a formula was read before cells it reads changed.
    bool stale(const Item& x);
    bool emptyNow(const QList<qsizetype>& which);
    std::optional<QList<office::RangeAddress>> emptyCells(const QList<qsizetype>& which);
    void forEachItemIn(const QList<office::RangeAddress>& ranges, const std::function<void(Item&)>& f);
    static bool guessedIn(const Item& x, int view);
    static bool emptiedIn(const Item& x, int view) { return x.batch > 0 || guessedIn(x, view); }
    bool undoFrom(int batch);
    bool settleLeft();
    void commit(qsizetype end, const std::function<void(int, int)>& emptied);
    qsizetype giveUp(qsizetype from, const std::function<void(int, int)>& emptied);
    qsizetype lost();

    Context c;
    QList<Item> m_items;
    QHash<formulas::CellKey, qsizetype> m_index; // cell key -> item
    FormulaGraph& m_graph;
    RoundUndo m_undo;
    QList<int> m_problems; // of each round's walk
    int m_views = 1; // of the last check, with the sheet as it is
    bool m_noChecks = false; // a check failed
    bool m_checking = false; // the rounds slowed down: every round checks
    // Texts by id and their keys' ids; by key, whether it was met before this
    // part of the sheet, and in which walk it was last met (met where it
    // cannot change).
    QHash<QString, int> m_ids, m_keyIds;
    QStringList m_texts;
    QList<int> m_keyOf;
    QList<bool> m_seenBefore;
    QList<int> m_met, m_sure;
    int m_none = -1, m_unserved = -1;
    int m_walks = 0;
};

} // namespace Calc1
