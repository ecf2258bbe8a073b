#include "FormulaGraph.h"

#include <algorithm>
#include <tuple>

namespace formulas {

namespace {

// Past this much searching in one walk, a formula is taken to read what
// changed: it is read again rather than searched further.
constexpr qint64 WalkBudget = 50'000'000;
// Deeper chains of formulas are taken to read everything.
constexpr int MaxDepth = 400;
// Ranges wider than this are looked through one by one rather than filed
// under each of their columns.
constexpr int WideColumns = 256;

// The columns of `columns` within the range.
template <typename Column, typename F>
void eachColumn(const QHash<int, Column>& columns, const Range& range, F&& f)
{
    if (range.endColumn - range.startColumn + 1 <= columns.size()) {
        for (int c = range.startColumn; c <= range.endColumn; ++c)
            if (const auto it = columns.constFind(c); it != columns.cend())
                if (!f(*it))
                    return;
        return;
    }
    for (auto it = columns.cbegin(); it != columns.cend(); ++it)
        if (it.key() >= range.startColumn && it.key() <= range.endColumn)
            if (!f(*it))
                return;
}

// The indexes of a column's rows within the range.
template <typename Column>
std::pair<qsizetype, qsizetype> rowsIn(const Column& column, const Range& range)
{
    const auto begin = column.rows.cbegin();
    return {std::lower_bound(begin, column.rows.cend(), range.startRow) - begin,
            std::upper_bound(begin, column.rows.cend(), range.endRow) - begin};
}

template <typename Column> void sortColumns(QHash<int, Column>& columns)
{
    for (Column& column : columns) {
        QList<std::pair<int, int>> pairs;
        for (qsizetype k = 0; k < column.rows.size(); ++k)
            pairs << std::pair(column.rows[k], column.items[k]);
        std::sort(pairs.begin(), pairs.end());
        for (qsizetype k = 0; k < pairs.size(); ++k)
            std::tie(column.rows[k], column.items[k]) = pairs[k];
    }
}

} // namespace

FormulaGraph::FormulaGraph(const QHash<CellKey, QString>& formulas, const QHash<CellKey, int>& positions,
                           const Elsewhere& elsewhere)
    : m_elsewhere(elsewhere)
{
    m_ids.reserve(formulas.size());
    for (auto it = formulas.cbegin(); it != formulas.cend(); ++it) {
        const int id = int(m_nodes.size());
        m_ids.insert(it.key(), id);
        m_nodes << makeNode(*it);
        m_formulaPosition << positions.value(it.key(), -1);
        FormulaColumn& column = m_formulaColumns[cellOf(it.key()).column];
        column.rows << cellOf(it.key()).row;
        column.items << id;
    }
    sortColumns(m_formulaColumns);
    for (auto it = positions.cbegin(); it != positions.cend(); ++it) {
        CellColumn& column = m_cellColumns[cellOf(it.key()).column];
        column.rows << cellOf(it.key()).row;
        column.items << *it;
    }
    sortColumns(m_cellColumns);
    // Where each formula's ranges fall among the columns, found once.
    for (Node& n : m_nodes)
        for (const Range& range : std::as_const(n.ranges)) {
            eachColumn(m_formulaColumns, range, [&](const FormulaColumn& column) {
                if (const auto [first, end] = rowsIn(column, range); end > first)
                    n.formulas << Span<FormulaColumn>{&column, first, end};
                return true;
            });
            eachColumn(m_cellColumns, range, [&](const CellColumn& column) {
                if (const auto [first, end] = rowsIn(column, range); end > first)
                    n.cells << Span<CellColumn>{&column, first, end};
                return true;
            });
        }
    m_reach = QList<int>(m_nodes.size(), Unknown);
    noteReadRows();
}

// Which cells some formula reads directly: intervals of rows by column.
void FormulaGraph::noteReadRows()
{
    QList<Range> wide;
    for (const Node& n : std::as_const(m_nodes)) {
        m_everythingRead = m_everythingRead || n.everything;
        for (const Range& r : n.ranges) {
            if (r.endColumn - r.startColumn + 1 > WideColumns) {
                wide << r;
                continue;
            }
            for (int c = r.startColumn; c <= r.endColumn; ++c)
                m_readRows[c] << std::pair(r.startRow, r.endRow);
        }
    }
    for (const Range& r : std::as_const(wide))
        for (auto it = m_cellColumns.cbegin(); it != m_cellColumns.cend(); ++it)
            if (it.key() >= r.startColumn && it.key() <= r.endColumn)
                m_readRows[it.key()] << std::pair(r.startRow, r.endRow);
    for (QList<std::pair<int, int>>& intervals : m_readRows) {
        std::sort(intervals.begin(), intervals.end());
        QList<std::pair<int, int>> merged;
        for (const auto& i : std::as_const(intervals))
            if (!merged.isEmpty() && i.first <= merged.last().second + 1)
                merged.last().second = std::max(merged.last().second, i.second);
            else
                merged << i;
        intervals = merged;
    }
}

FormulaGraph::Node FormulaGraph::makeNode(const QString& formula) const
{
    Node n;
    const Parsed parsed = parse(formula);
    n.everything = !parsed.plain;
    n.ranges = parsed.ranges;
    for (const SheetRange& other : parsed.elsewhere) {
        const int kind = m_elsewhere ? m_elsewhere(other.sheet, other.range) : -1;
        if (kind == 0)
            n.ranges << other.range;
        else if (kind < 0)
            n.everything = true;
    }
    return n;
}

template <typename F> void FormulaGraph::formulasIn(const Node& n, F&& each) const
{
    for (const Span<FormulaColumn>& span : n.formulas)
        for (qsizetype k = span.first; k < span.end; ++k)
            if (!each(span.column->items[k]))
                return;
}

int FormulaGraph::reach(CellKey formula)
{
    const int id = m_ids.value(formula, -1);
    return id < 0 ? Everything : reachOf(id, 0);
}

int FormulaGraph::reachOf(int id, int depth)
{
    if (m_reach[id] != Unknown)
        return m_reach[id];
    if (depth > MaxDepth)
        return Everything;
    const Node& n = m_nodes[id];
    if (n.everything)
        return m_reach[id] = Everything;
    m_reach[id] = Everything; // a circle of formulas reads everything
    int last = -1;
    // Positions grow down each column: the last cell in a span is the latest.
    for (const Span<CellColumn>& span : n.cells)
        last = std::max(last, span.column->items[span.end - 1]);
    formulasIn(n, [&](int other) {
        last = std::max(last, reachOf(other, depth + 1));
        return last != Everything;
    });
    return m_reach[id] = last;
}

bool FormulaGraph::isRead(int column, int row) const
{
    if (m_everythingRead)
        return true;
    const auto it = m_readRows.constFind(column);
    if (it == m_readRows.cend())
        return false;
    auto i = std::upper_bound(it->cbegin(), it->cend(), std::pair(row, std::numeric_limits<int>::max()));
    return i != it->cbegin() && (i - 1)->second >= row;
}

void FormulaGraph::newWalk(const std::function<int(int)>& batchOf, int views,
                           const std::function<bool(int, int)>& emptiedIn)
{
    m_emptiedIn = emptiedIn;
    m_views = std::clamp(views, 1, MaxViews);
    m_marks = QList<Marks>(m_views);
    for (Marks& marks : m_marks)
        marks.known = QList<Marks::Known>(m_nodes.size());
    m_batch = QList<int>(m_nodes.size(), Unknown);
    m_budget = WalkBudget;
    m_maxBatch = 0;
    for (CellColumn& column : m_cellColumns) {
        column.batches.resize(column.items.size());
        for (qsizetype k = 0; k < column.items.size(); ++k) {
            column.batches[k] = batchOf(column.items[k]);
            m_maxBatch = std::max(m_maxBatch, column.batches[k]);
        }
    }
}

void FormulaGraph::markBad(int column, int row, unsigned missing, unsigned extra)
{
    for (int view = 0; view < m_views; ++view) {
        if (missing & (1u << view))
            m_marks[view].missing[column] << row;
        else if (extra & (1u << view))
            m_marks[view].extra[column] << row;
        else
            continue;
        ++m_marks[view].count;
    }
}

// An emptied formula shows nothing whatever the cells it reads: what a
// formula reading it shows no longer depends on them.
bool FormulaGraph::emptied(int id, int view) const
{
    const int position = m_formulaPosition[id];
    return position >= 0 && m_emptiedIn(position, view);
}

FormulaGraph::Difference FormulaGraph::readsBad(CellKey formula, int view)
{
    if (view < 0 || view >= m_views)
        return Other;
    const int id = m_ids.value(formula, -1);
    if (id < 0)
        return m_marks[view].count > 0 ? Other : None;
    m_frontier = m_formulaPosition[id];
    return badIn(id, view, 0);
}

FormulaGraph::Difference FormulaGraph::badIn(int id, int view, int depth)
{
    Marks& marks = m_marks[view];
    const Node& n = m_nodes[id];
    if (n.everything)
        return marks.count > 0 ? Other : None;
    const Marks::Known& known = marks.known[id];
    if (known.set && (known.difference == Other || known.lasting || known.asOf == marks.count))
        return known.difference;
    if (--m_budget < 0 || depth > MaxDepth)
        return Other;
    marks.known[id] = {true, Other, marks.count, false}; // a circle is taken as bad
    Difference found = None;
    auto marked = [](const QHash<int, QList<int>>& rows, const Range& range) {
        bool any = false;
        eachColumn(rows, range, [&](const QList<int>& list) {
            const auto r = std::lower_bound(list.cbegin(), list.cend(), range.startRow);
            any = r != list.cend() && *r <= range.endRow;
            return !any;
        });
        return any;
    };
    for (const Range& range : n.ranges) {
        if (marked(marks.extra, range)) {
            found = Other;
            break;
        }
        if (marked(marks.missing, range))
            found = NotYetEmptied;
    }
    if (found != Other)
        formulasIn(n, [&](int other) {
            if (!emptied(other, view))
                found = std::max(found, badIn(other, view, depth + 1));
            return found != Other;
        });
    // Cells are marked in visiting order: once all the formula reads is
    // behind the walk, nothing marked later changes what it saw.
    marks.known[id] = {true, found, marks.count, reachOf(id, 0) < m_frontier};
    return found;
}

void FormulaGraph::newColouring(const std::function<int(int)>& colourOf)
{
    m_colourOf = colourOf;
    m_colours = QList<qint64>(m_nodes.size(), Unknown);
    m_colourBudget = WalkBudget;
}

qint64 FormulaGraph::coloursRead(CellKey formula)
{
    const int id = m_ids.value(formula, -1);
    return id < 0 ? -1 : coloursIn(id, 0);
}

qint64 FormulaGraph::coloursIn(int id, int depth)
{
    if (m_colours[id] != Unknown)
        return m_colours[id];
    const Node& n = m_nodes[id];
    if (n.everything || depth > MaxDepth)
        return -1;
    m_colours[id] = -1; // a circle: unsure
    qint64 colours = 0;
    formulasIn(n, [&](int other) {
        const int at = m_formulaPosition[other];
        const int colour = at < 0 ? 0 : m_colourOf(at);
        if (--m_colourBudget < 0 || colour >= MaxViews)
            colours = -1;
        else if (colour > 0)
            colours |= qint64(1) << colour;
        else if (colour == 0) {
            const qint64 further = coloursIn(other, depth + 1);
            colours = further < 0 ? -1 : colours | further;
        }
        return colours >= 0;
    });
    return m_colours[id] = colours;
}

int FormulaGraph::latestBatch(CellKey formula)
{
    const int id = m_ids.value(formula, -1);
    return id < 0 ? m_maxBatch : batchIn(id, 0);
}

int FormulaGraph::batchIn(int id, int depth)
{
    if (m_batch[id] != Unknown)
        return m_batch[id];
    const Node& n = m_nodes[id];
    if (n.everything)
        return m_batch[id] = m_maxBatch;
    if (depth > MaxDepth)
        return Everything;
    m_batch[id] = Everything; // a circle is taken as changed
    int latest = 0;
    for (const Span<CellColumn>& span : n.cells) {
        m_budget -= span.end - span.first;
        if (m_budget < 0)
            return m_batch[id] = Everything;
        for (qsizetype k = span.first; k < span.end; ++k)
            latest = std::max(latest, span.column->batches[k]);
    }
    formulasIn(n, [&](int other) {
        if (!emptied(other, 0))
            latest = std::max(latest, batchIn(other, depth + 1));
        return latest != Everything;
    });
    return m_batch[id] = latest;
}

} // namespace formulas
