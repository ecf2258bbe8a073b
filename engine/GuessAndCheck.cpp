#include "GuessAndCheck.h"

#include "Dependencies.h"


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

} // namespace

GuessAndCheck::GuessAndCheck(const Context& context, const QList<office::ShownCell>& cells, const QList<bool>& stale,
                             FormulaGraph& graph)
    : c(context), m_graph(graph)
{
    m_items.reserve(cells.size());
    for (const office::ShownCell& cell : cells) {
        Item item;
        item.column = cell.column;
        item.row = cell.row;
        item.key = Dependencies::cellKey(cell.column, cell.row);
        item.text = textId(cell.text);
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

int GuessAndCheck::textId(const QString& text)
{
    const auto it = m_ids.constFind(text);
    if (it != m_ids.cend())
        return *it;
    const int id = int(m_texts.size());
    m_ids.insert(text, id);
    m_texts << text;
    m_seenBefore << (!text.isEmpty() && c.seen.find(text).has_value());
    m_met << 0;
    m_sure << 0;
    return id;
}

GuessAndCheck::Walk GuessAndCheck::walk()
{
    m_graph.newWalk([&](int position) { return m_items[position].batch; });
    Walk w;
    const int walk = ++m_walks;
    const int none = textId(QString());
    bool open = false, blocked = false;
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        Item& x = m_items[i];
        bool holds = true;
        if (x.formula && !x.final)
            holds = x.level >= 0 && !m_graph.readsBad(x.key) && m_graph.latestBatch(x.key) <= x.level;
        const int t = x.text;
        const bool repeat = x.final ? x.repeat : t != none && (m_met[t] == walk || m_seenBefore[t]);
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
        // Formulas reading this cell see it as the exact way would not.
        if ((repeat && !x.kept) != emptied)
            m_graph.markBad(x.column, x.row);
        const bool certain = m_seenBefore[t] || m_sure[t] == walk;
        if (repeat && !emptied && !x.kept && !blocked && certain && holds
            && (!x.formula || (x.read && (!x.banned || x.final))))
            w.toEmpty << i;
        if (x.formula && !x.final && x.reaches)
            blocked = true;
        if (t != none) {
            m_met[t] = walk;
            if (!x.formula || x.final)
                m_sure[t] = walk;
        }
    }
    return w;
}

bool GuessAndCheck::emptyNow(const QList<qsizetype>& which)
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
        return false;
    ++m_batches;
    for (qsizetype i : which)
        m_items[i].batch = m_batches;
    for (const office::RangeAddress& r : std::as_const(refused))
        for (int row = r.startRow; row <= r.endRow; ++row)
            for (int column = r.startColumn; column <= r.endColumn; ++column)
                if (const auto it = m_index.constFind(Dependencies::cellKey(column, row)); it != m_index.cend()) {
                    m_items[*it].batch = 0;
                    m_items[*it].kept = true;
                }
    return true;
}

// Formulas whose cells changed since they were read are read again.
bool GuessAndCheck::readAgain()
{
    m_graph.newWalk([&](int position) { return m_items[position].batch; });
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
    if (!c.step(c.readStep, [&] { texts = c.document.shownTexts(c.sheet, cells); }) || texts.size() != which.size())
        return false;
    ++c.reading.bulkReads;
    c.reading.cellsReadAgain += which.size();
    for (qsizetype k = 0; k < which.size(); ++k) {
        m_items[which[k]].text = textId(texts[k]);
        m_items[which[k]].level = m_batches;
    }
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
        const QString& text = m_texts[x.text];
        if (text.isEmpty())
            continue;
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

// The exact way goes on from `from`: what the rounds emptied on a guess is
// put back. Repeats emptied for sure stay emptied: those after `from` are
// decided again at their turn (emptied again, which changes nothing).
qsizetype GuessAndCheck::giveUp(qsizetype from, const std::function<void(int, int)>& emptied)
{
    if (m_undoable > 0 && !undoFrom(m_undoable))
        return m_items.size(); // what is emptied is no longer known: the rest of the sheet is left as it is
    if (m_undoKept)
        c.step(c.deleteStep, [&] { c.document.keepUndo(false); });
    commit(from, emptied);
    return from;
}

qsizetype GuessAndCheck::run(const std::function<void(int, int)>& emptied)
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
        if (!w.wrong.isEmpty()) {
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
            if (m_undoKept)
                c.step(c.deleteStep, [&] { c.document.keepUndo(false); });
            commit(m_items.size(), emptied);
            return m_items.size();
        }
        problems << w.problems;
        if (w.toEmpty.isEmpty()
            || (problems.size() > StallRounds
                && problems.last() > StallShare * problems[problems.size() - 1 - StallRounds]))
            break;
        // Emptyings that can never turn out wrong need not be taken back:
        // until the first guess, the office records none.
        if (!m_undoKept) {
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
        if (!emptyNow(w.toEmpty) || !readAgain())
            break;
    }
    c.reading.rounds = std::min(c.reading.rounds, MaxRounds);
    c.reading.way = "rounds, then one by one";
    return giveUp(std::max<qsizetype>(w.open, 0), emptied);
}

} // namespace Calc1
