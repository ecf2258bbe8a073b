#include "GuessAndCheck.h"

#include "ChangeTracker.h"
#include "SheetScan.h"


namespace Calc1 {

namespace {

// The office keeps a hundred undo steps; each round takes one. The rounds a
// workbook of formulas over formulas needs grow slowly with its chains (a
// dozen for 20,000 cells whose fifth are formulas over random earlier
// cells), the open formulas about halving each round; a sheet that needs many
// more, or where they stop shrinking (a chain each of whose formulas turns
// into a repeat only once the one before it is emptied, such as a running
// balance over repeated amounts), is better read the exact way.
constexpr int MaxRounds = 40, StallRounds = 3;
constexpr double StallShare = 0.9;
// A check costs the office a clearing, a reading and an undo for each group
// of formulas, about a round and a half: it is worth it once a round leaves
// more than this share of the open formulas. Formulas over random earlier
// cells leave about 0.4 a round: checking then took 3 rounds a sheet instead
// of 6 to 10 (bench_engine formulas).
constexpr double CheckShare = 0.3;

} // namespace

GuessAndCheck::GuessAndCheck(const Context& context, const QList<office::ShownCell>& cells, const QList<bool>& stale,
                             FormulaGraph& graph)
    : c(context), m_graph(graph)
{
    m_none = textId(QString());
    m_items.reserve(cells.size());
    for (const office::ShownCell& cell : cells) {
        Item item;
        item.column = cell.column;
        item.row = cell.row;
        item.key = formulas::key(cell.column, cell.row);
        item.text = textOf(cell.text, cell.formula);
        item.formula = cell.formula;
        item.read = graph.isRead(cell.column, cell.row);
        m_index.insert(item.key, m_items.size());
        if (item.formula) {
            const int reach = graph.reach(item.key);
            item.reaches = reach > m_items.size();
            if (stale.value(m_items.size()))
                item.level = -1;
        }
        m_items << item;
    }
}

int GuessAndCheck::textOf(const QString& text, bool formula)
{
    if (!formula || !showsUnserved(text))
        return textId(text);
    if (m_unserved < 0) {
        m_unserved = int(m_texts.size());
        m_texts << text;
        m_keyOf << newKey(false);
    }
    return m_unserved;
}

int GuessAndCheck::newKey(bool seenBefore)
{
    m_seenBefore << seenBefore;
    m_met << 0;
    m_sure << 0;
    return int(m_seenBefore.size() - 1);
}

int GuessAndCheck::textId(const QString& text)
{
    const auto it = m_ids.constFind(text);
    if (it != m_ids.cend())
        return *it;
    const int id = int(m_texts.size());
    m_ids.insert(text, id);
    m_texts << text;
    // Texts with the same key are the same to the walks.
    const QString key = c.seen.key(text);
    auto k = m_keyIds.constFind(key);
    if (k == m_keyIds.cend())
        k = m_keyIds.insert(key, newKey(!text.isEmpty() && c.seen.find(text).has_value()));
    m_keyOf << *k;
    return id;
}

bool GuessAndCheck::emptiedIn(const Item& x, int view) const
{
    return x.batch > 0 || (view > 0 && (x.layer < 0 || (x.layer > 0 && x.layer != view)));
}

GuessAndCheck::Walk GuessAndCheck::walk()
{
    m_graph.newWalk([&](int position) { return m_items[position].batch; }, m_views,
                    [&](int position, int view) { return emptiedIn(m_items[position], view); });
    Walk w;
    const int walk = ++m_walks;
    bool open = false, blocked = false;
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        Item& x = m_items[i];
        bool holds = true;
        FormulaGraph::Difference seen = FormulaGraph::None;
        if (x.formula && !x.final) {
            seen = x.level < 0 || m_graph.latestBatch(x.key) > x.level ? FormulaGraph::Other
                                                                       : m_graph.readsBad(x.key, x.view);
            holds = seen == FormulaGraph::None;
        }
        const int t = x.text, k = m_keyOf[t];
        // Read before cells it reads were emptied, it is taken to turn into a
        // repeat once they are, as the links of a chain do.
        const bool guessed = seen == FormulaGraph::NotYetEmptied;
        const bool repeat = x.final ? x.repeat : guessed || (counts(t) && (m_met[k] == walk || m_seenBefore[k]));
        x.guess = repeat;
        const bool emptied = x.batch > 0;
        if (emptied && (!repeat || !holds))
            w.wrong << i;
        if (!holds || (emptied && !repeat)) {
            ++w.problems;
            if (!open)
                w.open = i;
            open = true;
        }
        if (!open && !x.final) {
            x.final = true;
            x.repeat = repeat;
        }
        // Formulas reading this cell see it, in the views marked, as the exact way would not.
        if (x.read) {
            const bool wanted = repeat && !x.kept;
            unsigned missing = 0, extra = 0;
            for (int view = 0; view < m_views; ++view)
                if (emptiedIn(x, view) != wanted)
                    (wanted ? missing : extra) |= 1u << view;
            if (missing || extra)
                m_graph.markBad(x.column, x.row, missing, extra);
        }
        const bool certain = m_seenBefore[k] || m_sure[k] == walk;
        // A formula emptied on a guess is checked again every walk: only on
        // a reading of the sheet as it is, which stays as long as it holds.
        if (repeat && !emptied && !x.kept && !blocked && certain && holds
            && (!x.formula || (x.read && (x.final || (!x.banned && x.view == 0)))))
            w.toEmpty << i;
        if (x.formula && !x.final && x.reaches && !blocked) {
            blocked = true;
            w.blocked = i;
        }
        if (counts(t) && !guessed) {
            m_met[k] = walk;
            if (!x.formula || x.final)
                m_sure[k] = walk;
        }
    }
    return w;
}

std::optional<QList<office::RangeAddress>> GuessAndCheck::emptyCells(const QList<qsizetype>& which)
{
    Ranges ranges;
    QList<office::RangeAddress> alone;
    for (qsizetype i : which) {
        const Item& x = m_items[i];
        if (x.formula && c.inArray(x.column, x.row))
            alone << office::RangeAddress{c.sheet, x.column, x.row, x.column, x.row};
        else
            ranges.add(c.sheet, x.column, x.row);
    }
    QList<office::RangeAddress> refused;
    if (!c.step(c.deleteStep, [&] { refused = c.document.emptyRanges(ranges.take(), alone); }))
        return std::nullopt;
    return refused;
}

bool GuessAndCheck::emptyNow(const QList<qsizetype>& which)
{
    const std::optional<QList<office::RangeAddress>> refused = emptyCells(which);
    if (!refused)
        return false;
    ++m_batches;
    for (qsizetype i : which)
        m_items[i].batch = m_batches;
    for (const office::RangeAddress& r : *refused)
        for (int row = r.startRow; row <= r.endRow; ++row)
            for (int column = r.startColumn; column <= r.endColumn; ++column)
                if (const auto it = m_index.constFind(formulas::key(column, row)); it != m_index.cend()) {
                    m_items[*it].batch = 0;
                    m_items[*it].kept = true;
                }
    return true;
}

// Readings of a check hold only for the walk right after it.
void GuessAndCheck::forgetChecks()
{
    if (m_views == 1)
        return;
    for (Item& x : m_items) {
        if (x.view > 0 && !x.final)
            x.level = -1;
        x.view = 0;
        x.layer = 0;
    }
    m_views = 1;
}

// The formulas not decided are read under the last walk's guesses: the cells
// it takes for repeats that formulas read are emptied, but for the formulas
// of the colour being read, and taken back after each reading. A formula's
// colour is one that no formula it reads (other than through one emptied)
// has. Formulas that read a later cell or may read anything are read as
// the sheet is, with those the colours cannot tell.
GuessAndCheck::Checked GuessAndCheck::check(qsizetype blockedFrom)
{
    if (m_noChecks)
        return Checked::Nothing;
    const qsizetype end = blockedFrom < 0 ? m_items.size() : blockedFrom;
    bool any = false;
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        Item& x = m_items[i];
        x.layer = 0;
        if (i < end && !x.final && x.guess && x.batch == 0 && !x.kept && x.read) {
            x.layer = x.formula ? FormulaGraph::MaxViews : -1; // a formula's colour is still to be found
            any = true;
        }
    }
    if (!any)
        return Checked::Nothing;
    m_graph.newColouring([&](int position) {
        const Item& y = m_items[position];
        return y.batch > 0 || y.layer < 0 ? -1 : y.layer;
    });
    int colours = 0;
    QList<QList<qsizetype>> toRead(FormulaGraph::MaxViews);
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        Item& x = m_items[i];
        if (!x.formula || x.final || x.batch > 0)
            continue;
        const qint64 read = x.reaches ? -1 : m_graph.coloursRead(x.key);
        int colour = 1;
        while (read >= 0 && colour < FormulaGraph::MaxViews && (read & (qint64(1) << colour)))
            ++colour;
        if (read < 0 || colour >= FormulaGraph::MaxViews) {
            if (x.layer > 0)
                x.layer = 0; // left as it is in every view
            continue;
        }
        if (x.layer > 0)
            x.layer = colour;
        toRead[colour] << i;
        colours = std::max(colours, colour);
    }
    const bool undoWasKept = m_undoKept;
    // What the last colour's reading emptied stays while undo is kept: when
    // the walk after it decides every cell, it is the repeats' emptying.
    int lastColour = 0;
    for (int colour = 1; colour <= colours; ++colour)
        if (!toRead[colour].isEmpty())
            lastColour = colour;
    if (!dropPending())
        return Checked::Lost;
    if (!m_undoKept) {
        if (!c.step(c.deleteStep, [&] { c.document.keepUndo(true); })) {
            m_noChecks = true;
            return Checked::Failed;
        }
        m_undoKept = true;
    }
    bool failed = false;
    for (int colour = 1; colour <= colours && !failed; ++colour) {
        if (toRead[colour].isEmpty())
            continue;
        QList<qsizetype> layer;
        for (qsizetype i = 0; i < end; ++i)
            if (m_items[i].layer < 0 || (m_items[i].layer > 0 && m_items[i].layer != colour))
                layer << i;
        QList<office::CellAt> cells;
        for (qsizetype i : std::as_const(toRead[colour]))
            cells << office::CellAt{m_items[i].column, m_items[i].row};
        const bool leave = colour == lastColour && undoWasKept;
        // A colour that reads no other's guesses is read as the sheet is.
        std::optional<QList<office::RangeAddress>> refused = QList<office::RangeAddress>();
        if (!layer.isEmpty())
            refused = emptyCells(layer);
        if (!refused)
            return Checked::Lost; // what the office emptied is not known
        if (leave && !layer.isEmpty()) {
            m_pending = layer;
        }
        QStringList texts;
        const bool read = refused->isEmpty()
            && c.step(c.readStep, [&] { texts = c.document.shownTexts(c.sheet, cells); })
            && texts.size() == cells.size();
        if (!leave && !layer.isEmpty() && !c.step(c.deleteStep, [&] { c.document.takeBack(1); }))
            return Checked::Lost;
        if (!read && !dropPending())
            return Checked::Lost;
        ++c.reading.checks;
        // A cell the office would not empty is kept as it is: the readings of
        // this check are not used.
        for (const office::RangeAddress& r : *refused)
            for (int row = r.startRow; row <= r.endRow; ++row)
                for (int column = r.startColumn; column <= r.endColumn; ++column)
                    if (const auto it = m_index.constFind(formulas::key(column, row)); it != m_index.cend())
                        m_items[*it].kept = true;
        if (!read) {
            failed = true;
            m_noChecks = refused->isEmpty(); // the office failed, rather than kept a cell
            break;
        }
        ++c.reading.bulkReads;
        c.reading.cellsReadAgain += cells.size();
        for (qsizetype k = 0; k < cells.size(); ++k) {
            Item& x = m_items[toRead[colour][k]];
            x.text = textOf(texts[k], true);
            x.level = m_batches;
            x.view = colour;
        }
        m_views = colour + 1;
    }
    if (!undoWasKept) {
        m_undoKept = false;
        if (!c.step(c.deleteStep, [&] { c.document.keepUndo(false); }))
            return Checked::Lost;
    }
    // A check the office failed is not tried again (one report is enough):
    // the rounds go on without, or stall and go the exact way.
    if (failed) {
        m_views = std::max(m_views, 2);
        forgetChecks();
        return Checked::Failed;
    }
    return Checked::Done;
}

// Formulas whose cells changed since they were read are read again.
bool GuessAndCheck::readAgain()
{
    m_graph.newWalk([&](int position) { return m_items[position].batch; }, 1,
                    [&](int position, int) { return m_items[position].batch > 0; });
    QList<qsizetype> which;
    QList<office::CellAt> cells;
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        const Item& x = m_items[i];
        if (x.formula && !x.final && x.batch == 0 && (x.level < 0 || m_graph.latestBatch(x.key) > x.level)) {
            which << i;
            cells << office::CellAt{x.column, x.row};
        }
    }
    if (which.isEmpty())
        return true;
    QStringList texts;
    if (!dropPending() || !c.step(c.readStep, [&] { texts = c.document.shownTexts(c.sheet, cells); })
        || texts.size() != which.size())
        return false;
    ++c.reading.bulkReads;
    c.reading.cellsReadAgain += which.size();
    for (qsizetype k = 0; k < which.size(); ++k) {
        m_items[which[k]].text = textOf(texts[k], true);
        m_items[which[k]].level = m_batches;
        m_items[which[k]].view = 0;
    }
    return true;
}

// Takes back what the last check left emptied.
bool GuessAndCheck::dropPending()
{
    if (!m_pending.isEmpty() && !c.step(c.deleteStep, [&] { c.document.takeBack(1); }))
        return false;
    m_pending.clear();
    return true;
}

// Every cell decided: what the last check left emptied stays when it is all
// repeats, as if emptied in a round.
bool GuessAndCheck::settlePending()
{
    if (!std::all_of(m_pending.cbegin(), m_pending.cend(), [&](qsizetype i) {
            const Item& x = m_items[i];
            return x.final && x.repeat && !x.kept;
        }))
        return dropPending();
    if (!m_pending.isEmpty())
        ++m_batches;
    for (qsizetype i : std::as_const(m_pending))
        m_items[i].batch = m_batches;
    m_pending.clear();
    return true;
}

// Puts back the emptyings from `batch` on; formulas read since are read again.
bool GuessAndCheck::undoFrom(int batch)
{
    if (batch > m_batches)
        return true;
    if (m_undoable == 0 || batch < m_undoable)
        return false;
    if (!c.step(c.deleteStep, [&] { c.document.takeBack(m_batches - batch + 1); }))
        return false;
    for (Item& x : m_items) {
        if (x.batch >= batch)
            x.batch = 0;
        if (x.formula && !x.final && x.level >= batch)
            x.level = -1;
    }
    m_batches = batch - 1;
    return true;
}

// Decides the cells before `end`, all final, for the file: the repeats emptied
// stay emptied, the others are left to the emptier. `emptied` hears of each
// repeat, and of each cell emptied after `end`.
void GuessAndCheck::commit(qsizetype end, const std::function<void(int, int)>& emptied)
{
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        const Item& x = m_items[i];
        if (i >= end) {
            if (x.batch > 0)
                emptied(x.column, x.row);
            continue;
        }
        if (x.text == m_unserved)
            c.emptier.unserved({c.sheet, x.column, x.row}, c.readStep);
        if (!counts(x.text))
            continue;
        const QString& text = m_texts[x.text];
        const std::optional<CellPlace> first = c.seen.firstOrAdd(text, {c.sheet, x.column, x.row});
        if (!first)
            continue;
        if (x.batch > 0)
            c.emptier.emptiedElsewhere(c.sheet, x.column, x.row, text, *first);
        else if (x.kept)
            c.emptier.keptElsewhere({c.sheet, x.column, x.row, x.column, x.row}, c.deleteStep);
        else
            c.emptier.add(c.sheet, x.column, x.row, x.formula && c.inArray(x.column, x.row), c.deleteStep, text,
                          *first);
        if (!x.kept)
            emptied(x.column, x.row);
    }
}

// Cells emptied on a guess could not be put back, so the document no longer
// holds what the exact way would give: nothing more of the file is done or
// stored (the failed step was reported).
qsizetype GuessAndCheck::lost()
{
    c.step.stop();
    return m_items.size();
}

// The exact way goes on from `from`: what the rounds emptied on a guess is
// put back. Repeats emptied for sure stay emptied: those after `from` are
// decided again at their turn (emptied again, which changes nothing).
qsizetype GuessAndCheck::giveUp(qsizetype from, const std::function<void(int, int)>& emptied)
{
    if (!dropPending() || (m_undoable > 0 && !undoFrom(m_undoable)))
        return lost();
    if (m_undoKept)
        c.step(c.deleteStep, [&] { c.document.keepUndo(false); });
    commit(from, emptied);
    return from;
}

// Rows are fitted once after the rounds, by the emptyings after them, rather
// than at each of the rounds' emptyings.
qsizetype GuessAndCheck::run(const std::function<void(int, int)>& emptied)
{
    c.step(c.deleteStep, [&] { c.document.holdRows(true); });
    const qsizetype decided = rounds(emptied);
    c.step(c.deleteStep, [&] { c.document.holdRows(false); });
    return decided;
}

qsizetype GuessAndCheck::rounds(const std::function<void(int, int)>& emptied)
{
    c.reading.way = "rounds";
    Walk w;
    QList<int> problems;
    // Formulas over cells emptied since the sheet was read are read first.
    if (!readAgain())
        return giveUp(0, emptied);
    for (c.reading.rounds = 1; c.reading.rounds <= MaxRounds; ++c.reading.rounds) {
        c.step.host().letEventsIn();
        if (c.step.host().quitting() || c.step.stopped())
            return m_items.size(); // nothing more of this file is done
        w = walk();
        forgetChecks();
        if (!w.wrong.isEmpty()) {
            if (!dropPending())
                return lost();
            int from = m_batches + 1;
            for (qsizetype i : std::as_const(w.wrong)) {
                from = std::min(from, m_items[i].batch);
                m_items[i].banned = true;
            }
            if (!undoFrom(from) || !readAgain())
                break;
            continue;
        }
        if (w.open < 0) {
            if (!settlePending())
                return lost();
            if (m_undoKept)
                c.step(c.deleteStep, [&] { c.document.keepUndo(false); });
            commit(m_items.size(), emptied);
            return m_items.size();
        }
        problems << w.problems;
        if (problems.size() > StallRounds
            && problems.last() > StallShare * problems[problems.size() - 1 - StallRounds])
            break;
        // Emptyings that can never turn out wrong need not be taken back:
        // until the first guess, the office records none.
        if (!m_undoKept && !w.toEmpty.isEmpty()) {
            QList<qsizetype> sure, guessed;
            for (qsizetype i : std::as_const(w.toEmpty))
                (m_items[i].formula && !m_items[i].final ? guessed : sure) << i;
            if (!guessed.isEmpty()) {
                if (!sure.isEmpty() && !emptyNow(sure))
                    break;
                if (!c.step(c.deleteStep, [&] { c.document.keepUndo(true); }))
                    break;
                m_undoKept = true;
                m_undoable = m_batches + 1;
                w.toEmpty = guessed;
            }
        }
        if (!w.toEmpty.isEmpty() && !dropPending())
            return lost();
        if (!w.toEmpty.isEmpty() && !emptyNow(w.toEmpty))
            break;
        m_checking = m_checking || w.toEmpty.isEmpty()
            || (problems.size() > 1 && problems.last() > CheckShare * problems[problems.size() - 2]);
        const Checked checked = m_checking ? check(w.blocked) : Checked::Nothing;
        if (checked == Checked::Lost)
            return lost();
        if ((checked == Checked::Nothing && w.toEmpty.isEmpty()) || !readAgain())
            break;
    }
    c.reading.rounds = std::min(c.reading.rounds, MaxRounds);
    c.reading.way = "rounds, then one by one";
    return giveUp(std::max<qsizetype>(w.open, 0), emptied);
}

} // namespace Calc1
