#include "GuessAndCheck.h"

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
    : c(context), m_graph(graph), m_undo(c.step, c.document, c.deleteStep)
{
    m_none = textId(QString());
    m_items.reserve(cells.size());
    for (const office::ShownCell& cell : cells) {
        Item item{.column = cell.column, .row = cell.row, .key = formulas::key(cell.column, cell.row),
                  .text = textOf(cell.text, cell.formula), .formula = cell.formula};
        item.read = graph.isRead(cell.column, cell.row);
        m_index.insert(item.key, m_items.size());
        if (item.formula) {
            item.reaches = graph.reach(item.key) > m_items.size();
            if (stale.value(m_items.size()))
                item.readAt.reset();
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

bool GuessAndCheck::stale(const Item& x)
{
    return !x.readAt || m_graph.latestBatch(x.key) > *x.readAt;
}

// The decide phase: each cell in order as if every formula showed what it was
// last read to show; the front of the cells whose readings hold is decided
// for good.
GuessAndCheck::Walk GuessAndCheck::walk()
{
    m_graph.newWalk([&](int position) { return m_items[position].batch; }, m_views,
                    [&](int position, int view) { return emptiedIn(m_items[position], view); });
    Walk w;
    const int walk = ++m_walks;
    bool open = false, blocked = false;
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        Item& x = m_items[i];
        FormulaGraph::Difference seen = FormulaGraph::None;
        if (x.formula && x.open())
            seen = stale(x) ? FormulaGraph::Other : m_graph.readsBad(x.key, x.view);
        const bool holds = seen == FormulaGraph::None;
        const int t = x.text, k = m_keyOf[t];
        // Read before cells it reads were emptied, it is taken to turn into a
        // repeat once they are, as the links of a chain do.
        const bool guessed = seen == FormulaGraph::NotYetEmptied;
        const bool repeat = !x.open() ? x.decision == Decision::Repeat
                                      : guessed || (counts(t) && (m_met[k] == walk || m_seenBefore[k]));
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
        if (!open && x.open())
            x.decision = repeat ? Decision::Repeat : Decision::Stays;
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
            && (!x.formula || (x.read && (!x.open() || (!x.banned && x.view == 0)))))
            w.toEmpty << i;
        if (x.formula && x.open() && x.reaches && !blocked) {
            blocked = true;
            w.blocked = i;
        }
        if (counts(t) && !guessed) {
            m_met[k] = walk;
            if (!x.formula || !x.open())
                m_sure[k] = walk;
        }
    }
    return w;
}

void GuessAndCheck::forEachItemIn(const QList<office::RangeAddress>& ranges, const std::function<void(Item&)>& f)
{
    for (const office::RangeAddress& r : ranges)
        for (int row = r.startRow; row <= r.endRow; ++row)
            for (int column = r.startColumn; column <= r.endColumn; ++column)
                if (const auto it = m_index.constFind(formulas::key(column, row)); it != m_index.cend())
                    f(m_items[*it]);
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
    const int batch = m_undo.added();
    for (qsizetype i : which)
        m_items[i].batch = batch;
    forEachItemIn(*refused, [](Item& x) {
        x.batch = 0;
        x.kept = true;
    });
    return true;
}

// The read-again phase: formulas whose cells changed since they were read
// are read again, as the sheet is.
bool GuessAndCheck::readAgain()
{
    m_graph.newWalk([&](int position) { return m_items[position].batch; }, 1,
                    [&](int position, int) { return m_items[position].batch > 0; });
    QList<qsizetype> which;
    QList<office::CellAt> cells;
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        const Item& x = m_items[i];
        if (x.formula && x.open() && x.batch == 0 && stale(x)) {
            which << i;
            cells << office::CellAt{x.column, x.row};
        }
    }
    if (which.isEmpty())
        return true;
    QStringList texts;
    if (!m_undo.dropLeft() || !c.step(c.readStep, [&] { texts = c.document.shownTexts(c.sheet, cells); })
        || texts.size() != which.size())
        return false;
    tookReadings(which, texts, 0);
    return true;
}

// The formulas `which` were read in the view, as `texts` tell.
void GuessAndCheck::tookReadings(const QList<qsizetype>& which, const QStringList& texts, int view)
{
    ++c.reading.bulkReads;
    c.reading.cellsReadAgain += which.size();
    for (qsizetype k = 0; k < which.size(); ++k) {
        Item& x = m_items[which[k]];
        x.text = textOf(texts[k], true);
        x.readAt = m_undo.count();
        x.view = view;
    }
}

// Every cell decided: what the last check left emptied stays when it is all
// repeats, as if emptied in a round.
bool GuessAndCheck::settleLeft()
{
    const QList<qsizetype> left = m_undo.left();
    if (!std::all_of(left.cbegin(), left.cend(), [&](qsizetype i) {
            return m_items[i].decision == Decision::Repeat && !m_items[i].kept;
        }))
        return m_undo.dropLeft();
    const int batch = m_undo.keepLeft();
    for (qsizetype i : left)
        m_items[i].batch = batch;
    return true;
}

// Puts back the emptyings from `batch` on; formulas read since are read again.
bool GuessAndCheck::undoFrom(int batch)
{
    if (batch > m_undo.count())
        return true;
    if (!m_undo.takeBackFrom(batch))
        return false;
    for (Item& x : m_items) {
        if (x.batch >= batch)
            x.batch = 0;
        if (x.formula && x.open() && x.readAt && *x.readAt >= batch)
            x.readAt.reset();
    }
    return true;
}

// Decides the cells before `end`, all decided, for the file: the repeats
// emptied stay emptied, the others are left to the emptier. `emptied` hears
// of each repeat, and of each cell emptied after `end`.
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
    if (!m_undo.dropLeft() || (m_undo.firstGuess() > 0 && !undoFrom(m_undo.firstGuess())))
        return lost();
    m_undo.stopRecording();
    commit(from, emptied);
    return from;
}

qsizetype GuessAndCheck::finish(const std::function<void(int, int)>& emptied)
{
    if (!settleLeft())
        return lost();
    m_undo.stopRecording();
    commit(m_items.size(), emptied);
    return m_items.size();
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
    // Formulas over cells emptied since the sheet was read are read first.
    if (!readAgain())
        return giveUp(0, emptied);
    for (c.reading.rounds = 1; c.reading.rounds <= MaxRounds; ++c.reading.rounds) {
        c.step.host().letEventsIn();
        if (c.step.host().quitting() || c.step.stopped())
            return m_items.size(); // nothing more of this file is done
        w = walk();
        forgetChecks();
        Phase next = Phase::Next;
        if (!w.wrong.isEmpty())
            next = takeBackWrong(w.wrong);
        else if (w.open < 0)
            return finish(emptied);
        else if (stalled(w.problems))
            next = Phase::Exact;
        else
            next = emptyAndCheck(w);
        if (next == Phase::Lost)
            return lost();
        if (next == Phase::Exact)
            break;
    }
    c.reading.rounds = std::min(c.reading.rounds, MaxRounds);
    c.reading.way = "rounds, then one by one";
    return giveUp(std::max<qsizetype>(w.open, 0), emptied);
}

// Emptied on a reading that no longer holds: put back, with every emptying
// since, and emptied again only once decided.
GuessAndCheck::Phase GuessAndCheck::takeBackWrong(const QList<qsizetype>& wrong)
{
    if (!m_undo.dropLeft())
        return Phase::Lost;
    int from = m_undo.count() + 1;
    for (qsizetype i : wrong) {
        from = std::min(from, m_items[i].batch);
        m_items[i].banned = true;
    }
    return undoFrom(from) && readAgain() ? Phase::Next : Phase::Exact;
}

bool GuessAndCheck::stalled(int problems)
{
    m_problems << problems;
    const qsizetype n = m_problems.size();
    return n > StallRounds && m_problems.last() > StallShare * m_problems[n - 1 - StallRounds];
}

GuessAndCheck::Phase GuessAndCheck::emptyAndCheck(Walk& w)
{
    if (const Phase p = empty(w); p != Phase::Next)
        return p;
    const qsizetype n = m_problems.size();
    m_checking = m_checking || w.toEmpty.isEmpty() || (n > 1 && m_problems.last() > CheckShare * m_problems[n - 2]);
    const Checked checked = m_checking ? check(w.blocked) : Checked::Nothing;
    if (checked == Checked::Lost)
        return Phase::Lost;
    return (checked == Checked::Nothing && w.toEmpty.isEmpty()) || !readAgain() ? Phase::Exact : Phase::Next;
}

// The empty phase. Emptyings that can never turn out wrong need not be taken
// back: until the first guess, the office records none.
GuessAndCheck::Phase GuessAndCheck::empty(Walk& w)
{
    if (w.toEmpty.isEmpty())
        return Phase::Next;
    if (!m_undo.recording()) {
        QList<qsizetype> sure, guessed;
        for (qsizetype i : std::as_const(w.toEmpty))
            (m_items[i].formula && m_items[i].open() ? guessed : sure) << i;
        if (!guessed.isEmpty()) {
            if ((!sure.isEmpty() && !emptyNow(sure)) || !m_undo.startGuessing())
                return Phase::Exact;
            w.toEmpty = guessed;
        }
    }
    if (!m_undo.dropLeft())
        return Phase::Lost;
    return emptyNow(w.toEmpty) ? Phase::Next : Phase::Exact;
}

} // namespace Calc1
