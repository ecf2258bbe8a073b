#include "ChangeTracker.h"

#include "References.h"

#include <algorithm>

namespace formulas {

void ChangeTracker::setFormulas(QHash<CellKey, QString> formulas)
{
    m_formulas = std::move(formulas);
    m_all.known.clear();
    m_pending.known.clear();
    for (auto it = m_formulas.cbegin(); it != m_formulas.cend(); ++it)
        m_formulaRows[cellOf(it.key()).column] << cellOf(it.key()).row;
    for (QList<int>& rows : m_formulaRows)
        std::sort(rows.begin(), rows.end());
}

// Only noted here: a sheet without formulas never asks, and one with
// formulas asks far less often than it empties.
void ChangeTracker::emptied(int column, int row)
{
    m_log << key(column, row);
}

void ChangeTracker::flushed()
{
    m_pending = Emptied();
    m_pending.folded = m_log.size();
}

void ChangeTracker::fold(Emptied& e)
{
    for (qsizetype i = e.folded; i < m_log.size(); ++i) {
        const int column = cellOf(m_log[i]).column, row = cellOf(m_log[i]).row;
        QList<int>& rows = e.rows[column];
        // Cells are emptied row by row from the top: the insertion is at the end.
        rows.insert(std::upper_bound(rows.begin(), rows.end(), row), row);
        ++e.count;
    }
    e.folded = m_log.size();
    if (m_all.folded == m_log.size() && m_pending.folded == m_log.size()) {
        m_log.clear();
        m_all.folded = m_pending.folded = 0;
    }
}

bool ChangeTracker::Emptied::anyIn(const Range& range) const
{
    for (auto it = rows.cbegin(); it != rows.cend(); ++it) {
        if (it.key() < range.startColumn || it.key() > range.endColumn)
            continue;
        const auto at = std::lower_bound(it->cbegin(), it->cend(), range.startRow);
        if (at != it->cend() && *at <= range.endRow)
            return true;
    }
    return false;
}

bool ChangeTracker::mayHaveChanged(int column, int row, bool pending)
{
    m_budget = 20000; // past this much searching, it is simply read again
    Emptied& emptied = pending ? m_pending : m_all;
    fold(emptied);
    return changed(emptied, key(column, row), 0);
}

bool ChangeTracker::changed(Emptied& emptied, CellKey cell, int depth)
{
    const auto known = emptied.known.constFind(cell);
    if (known != emptied.known.cend() && (known->changed || known->asOf == emptied.count))
        return known->changed;
    if (--m_budget < 0 || depth > 200)
        return true;
    if (!m_plain.contains(cell)) {
        QList<Range> ranges;
        m_plain[cell] = references(m_formulas.value(cell), ranges);
        m_parsed[cell] = ranges;
    }
    bool result = !m_plain.value(cell);
    // Taken as changed while being looked at: a circle of formulas is read again.
    emptied.known[cell] = {true, emptied.count};
    for (const Range& range : m_parsed.value(cell)) {
        if (result)
            break;
        result = emptied.anyIn(range);
        for (auto it = m_formulaRows.cbegin(); !result && it != m_formulaRows.cend(); ++it) {
            if (it.key() < range.startColumn || it.key() > range.endColumn)
                continue;
            for (auto r = std::lower_bound(it->cbegin(), it->cend(), range.startRow);
                 !result && r != it->cend() && *r <= range.endRow; ++r)
                result = changed(emptied, key(it.key(), *r), depth + 1);
        }
    }
    emptied.known[cell] = {result, emptied.count};
    return result;
}

} // namespace formulas
