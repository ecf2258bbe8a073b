#include "FormulaGraph.h"

#include <algorithm>

namespace Calc1 {

namespace {

// Past this much searching in one walk, a formula is taken to read what
// changed: it is read again rather than searched further.
constexpr qint64 WalkBudget = 50'000'000;
// Deeper chains of formulas are taken to read everything.
constexpr int MaxDepth = 400;
// Ranges wider than this are looked through one by one rather than filed
// under each of their columns.
constexpr int WideColumns = 256;

int columnOf(quint64 key)
{
    return int(key & 0xffffffff);
}

int rowOf(quint64 key)
{
    return int(key >> 32);
}

// The columns of `rows` within the range, each with its sorted rows.
template <typename F> void eachColumn(const QHash<int, QList<int>>& rows, const Dependencies::Range& range, F&& f)
{
    if (range.endColumn - range.startColumn + 1 <= rows.size()) {
        for (int c = range.startColumn; c <= range.endColumn; ++c)
            if (const auto it = rows.constFind(c); it != rows.cend())
                if (!f(c, *it))
                    return;
        return;
    }
    for (auto it = rows.cbegin(); it != rows.cend(); ++it)
        if (it.key() >= range.startColumn && it.key() <= range.endColumn)
            if (!f(it.key(), *it))
                return;
}

} // namespace

FormulaGraph::FormulaGraph(QHash<quint64, QString> formulas, QHash<quint64, int> positions, const Elsewhere& elsewhere)
    : m_formulas(std::move(formulas)), m_positions(std::move(positions)), m_elsewhere(elsewhere)
{
    for (auto it = m_formulas.cbegin(); it != m_formulas.cend(); ++it)
        m_formulaRows[columnOf(it.key())] << rowOf(it.key());
    for (QList<int>& rows : m_formulaRows)
        std::sort(rows.begin(), rows.end());
    for (auto it = m_positions.cbegin(); it != m_positions.cend(); ++it)
        m_cellRows[columnOf(it.key())] << rowOf(it.key());
    for (QList<int>& rows : m_cellRows)
        std::sort(rows.begin(), rows.end());
    // Which cells some formula reads directly.
    QList<Dependencies::Range> wide;
    for (auto it = m_formulas.cbegin(); it != m_formulas.cend(); ++it) {
        const Node& n = node(it.key());
        m_everythingRead = m_everythingRead || n.everything;
        for (const Dependencies::Range& r : n.ranges) {
            if (r.endColumn - r.startColumn + 1 > WideColumns) {
                wide << r;
                continue;
            }
            for (int c = r.startColumn; c <= r.endColumn; ++c)
                m_readRows[c] << std::pair(r.startRow, r.endRow);
        }
    }
    for (const Dependencies::Range& r : std::as_const(wide))
        for (auto it = m_cellRows.cbegin(); it != m_cellRows.cend(); ++it)
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

const FormulaGraph::Node& FormulaGraph::node(quint64 formula)
{
    if (const auto it = m_nodes.constFind(formula); it != m_nodes.cend())
        return *it;
    Node n;
    const Dependencies::Parsed parsed = Dependencies::parse(m_formulas.value(formula));
    n.everything = !parsed.plain;
    n.ranges = parsed.ranges;
    for (const Dependencies::SheetRange& other : parsed.elsewhere) {
        const int kind = m_elsewhere ? m_elsewhere(other.sheet, other.range) : -1;
        if (kind == 0)
            n.ranges << other.range;
        else if (kind < 0)
            n.everything = true;
    }
    return *m_nodes.insert(formula, n);
}

void FormulaGraph::formulasIn(const Dependencies::Range& range, const std::function<bool(quint64)>& each) const
{
    eachColumn(m_formulaRows, range, [&](int column, const QList<int>& rows) {
        for (auto r = std::lower_bound(rows.cbegin(), rows.cend(), range.startRow);
             r != rows.cend() && *r <= range.endRow; ++r)
            if (!each(Dependencies::cellKey(column, *r)))
                return false;
        return true;
    });
}

int FormulaGraph::reach(quint64 formula)
{
    return reachOf(formula, 0);
}

int FormulaGraph::reachOf(quint64 formula, int depth)
{
    if (const auto it = m_reach.constFind(formula); it != m_reach.cend())
        return *it;
    if (depth > MaxDepth)
        return Everything;
    const Node n = node(formula);
    if (n.everything)
        return m_reach[formula] = Everything;
    m_reach[formula] = Everything; // a circle of formulas reads everything
    int last = -1;
    for (const Dependencies::Range& range : n.ranges) {
        // Positions grow down each column: the last cell in the range is the latest.
        eachColumn(m_cellRows, range, [&](int column, const QList<int>& rows) {
            auto r = std::upper_bound(rows.cbegin(), rows.cend(), range.endRow);
            if (r != rows.cbegin() && *(r - 1) >= range.startRow)
                last = std::max(last, m_positions.value(Dependencies::cellKey(column, *(r - 1))));
            return true;
        });
        formulasIn(range, [&](quint64 other) {
            last = std::max(last, reachOf(other, depth + 1));
            return last != Everything;
        });
        if (last == Everything)
            break;
    }
    return m_reach[formula] = last;
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
    m_batchOf = batchOf;
    m_emptiedIn = emptiedIn;
    m_views = std::clamp(views, 1, MaxViews);
    m_marks = QList<Marks>(m_views);
    m_batch.clear();
    m_budget = WalkBudget;
    m_maxBatch = 0;
    for (int position : std::as_const(m_positions))
        m_maxBatch = std::max(m_maxBatch, batchOf(position));
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
bool FormulaGraph::emptied(quint64 formula, int view) const
{
    const auto it = m_positions.constFind(formula);
    return it != m_positions.cend() && m_emptiedIn(*it, view);
}

FormulaGraph::Difference FormulaGraph::readsBad(quint64 formula, int view)
{
    if (view < 0 || view >= m_views)
        return Other;
    return badIn(formula, view, 0);
}

FormulaGraph::Difference FormulaGraph::badIn(quint64 formula, int view, int depth)
{
    Marks& marks = m_marks[view];
    const Node n = node(formula);
    if (n.everything)
        return marks.count > 0 ? Other : None;
    const auto known = marks.known.constFind(formula);
    if (known != marks.known.cend() && (known->difference == Other || known->asOf == marks.count))
        return known->difference;
    if (--m_budget < 0 || depth > MaxDepth)
        return Other;
    marks.known[formula] = {Other, marks.count}; // a circle is taken as bad
    Difference found = None;
    auto marked = [](const QHash<int, QList<int>>& rows, const Dependencies::Range& range) {
        bool any = false;
        eachColumn(rows, range, [&](int, const QList<int>& list) {
            const auto r = std::lower_bound(list.cbegin(), list.cend(), range.startRow);
            any = r != list.cend() && *r <= range.endRow;
            return !any;
        });
        return any;
    };
    for (const Dependencies::Range& range : n.ranges) {
        if (marked(marks.extra, range)) {
            found = Other;
            break;
        }
        if (marked(marks.missing, range))
            found = NotYetEmptied;
        formulasIn(range, [&](quint64 other) {
            if (!emptied(other, view))
                found = std::max(found, badIn(other, view, depth + 1));
            return found != Other;
        });
        if (found == Other)
            break;
    }
    marks.known[formula] = {found, marks.count};
    return found;
}

void FormulaGraph::newColouring(const std::function<int(int)>& colourOf)
{
    m_colourOf = colourOf;
    m_colours.clear();
    m_colourBudget = WalkBudget;
}

qint64 FormulaGraph::coloursRead(quint64 formula)
{
    return coloursIn(formula, 0);
}

qint64 FormulaGraph::coloursIn(quint64 formula, int depth)
{
    if (const auto it = m_colours.constFind(formula); it != m_colours.cend())
        return *it;
    const Node n = node(formula);
    if (n.everything || depth > MaxDepth)
        return -1;
    m_colours[formula] = -1; // a circle: unsure
    qint64 colours = 0;
    for (const Dependencies::Range& range : n.ranges) {
        formulasIn(range, [&](quint64 other) {
            const auto at = m_positions.constFind(other);
            const int colour = at == m_positions.cend() ? 0 : m_colourOf(*at);
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
        if (colours < 0)
            break;
    }
    return m_colours[formula] = colours;
}

int FormulaGraph::latestBatch(quint64 formula)
{
    return batchIn(formula, 0);
}

int FormulaGraph::batchIn(quint64 formula, int depth)
{
    if (const auto it = m_batch.constFind(formula); it != m_batch.cend())
        return *it;
    const Node n = node(formula);
    if (n.everything)
        return m_batch[formula] = m_maxBatch;
    if (depth > MaxDepth)
        return Everything;
    m_batch[formula] = Everything; // a circle is taken as changed
    int latest = 0;
    for (const Dependencies::Range& range : n.ranges) {
        eachColumn(m_cellRows, range, [&](int column, const QList<int>& rows) {
            for (auto r = std::lower_bound(rows.cbegin(), rows.cend(), range.startRow);
                 r != rows.cend() && *r <= range.endRow && latest != Everything; ++r) {
                if (--m_budget < 0)
                    latest = Everything;
                else
                    latest = std::max(latest, m_batchOf(m_positions.value(Dependencies::cellKey(column, *r))));
            }
            return latest != Everything;
        });
        formulasIn(range, [&](quint64 other) {
            if (!emptied(other, 0))
                latest = std::max(latest, batchIn(other, depth + 1));
            return latest != Everything;
        });
        if (latest == Everything)
            break;
    }
    return m_batch[formula] = latest;
}

} // namespace Calc1
