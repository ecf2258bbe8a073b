#include "Dependencies.h"

#include "Calc1.h"

#include <QSet>

#include <algorithm>

namespace Calc1 {

namespace {

// Functions whose result depends only on their arguments.
const QSet<QString>& plainFunctions()
{
    static const QSet<QString> names = {
        "ABS",     "AND",       "AVERAGE", "CONCAT",  "CONCATENATE", "COUNT",      "COUNTA",  "COUNTBLANK",
        "COUNTIF", "DATE",      "DAY",     "EXACT",   "HLOOKUP",     "IF",         "IFERROR", "IFNA",
        "INDEX",   "INT",       "ISBLANK", "ISERROR", "ISNA",        "ISNUMBER",   "ISTEXT",  "LEFT",
        "LEN",     "LOWER",     "MATCH",   "MAX",     "MID",         "MIN",        "MOD",     "MONTH",
        "N",       "NA",        "NOT",     "OR",      "POWER",       "PRODUCT",    "REPT",    "RIGHT",
        "ROUND",   "ROUNDDOWN", "ROUNDUP", "SIGN",    "SQRT",        "SUBSTITUTE", "SUM",     "SUMIF",
        "T",       "TEXT",      "TRIM",    "UPPER",   "VALUE",       "VLOOKUP",    "YEAR",
    };
    return names;
}

bool isLetter(QChar c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// "$AB$12" at i: column and row (0-based); i moves past it.
bool cellAt(const QString& f, qsizetype& i, int& column, int& row)
{
    qsizetype j = i;
    if (j < f.size() && f[j] == '$')
        ++j;
    const qsizetype letters = j;
    while (j < f.size() && isLetter(f[j]))
        ++j;
    if (j == letters || j - letters > 3)
        return false;
    column = getColumnNumber(f.mid(letters, j - letters)) - 1;
    if (j < f.size() && f[j] == '$')
        ++j;
    const qsizetype digits = j;
    while (j < f.size() && f[j].isDigit())
        ++j;
    if (j == digits || j - digits > 7 || column < 0)
        return false;
    row = f.mid(digits, j - digits).toInt() - 1;
    if (row < 0)
        return false;
    i = j;
    return true;
}

} // namespace

bool Dependencies::references(const QString& f, QList<Range>& ranges)
{
    if (!f.startsWith('='))
        return false; // an array formula and anything unexpected
    for (qsizetype i = 1; i < f.size();) {
        const QChar c = f[i];
        if (c == '"') {
            for (++i; i < f.size(); ++i)
                if (f[i] == '"' && !(i + 1 < f.size() && f[i + 1] == '"'))
                    break;
                else if (f[i] == '"')
                    ++i;
            ++i;
        } else if (c.isDigit() || (c == '.' && i + 1 < f.size() && f[i + 1].isDigit())) {
            while (i < f.size() && (f[i].isDigit() || f[i] == '.'))
                ++i;
            if (i < f.size() && (f[i] == 'E' || f[i] == 'e')) {
                ++i;
                if (i < f.size() && (f[i] == '+' || f[i] == '-'))
                    ++i;
                while (i < f.size() && f[i].isDigit())
                    ++i;
            }
            if (i < f.size() && (isLetter(f[i]) || f[i] == ':' || f[i] == '.'))
                return false; // a row range such as 1:3, or something else
        } else if (c == '$' || isLetter(c)) {
            qsizetype j = i;
            int column, row;
            if (cellAt(f, j, column, row) && !(j < f.size() && (isLetter(f[j]) || f[j] == '(' || f[j] == '.'))) {
                Range range{column, row, column, row};
                if (j < f.size() && f[j] == ':') {
                    ++j;
                    int column2, row2;
                    if (!cellAt(f, j, column2, row2))
                        return false;
                    range = {std::min(column, column2), std::min(row, row2), std::max(column, column2),
                             std::max(row, row2)};
                }
                if (j < f.size() && (isLetter(f[j]) || f[j] == '.' || f[j] == '(' || f[j] == ':'))
                    return false;
                ranges << range;
                i = j;
                continue;
            }
            // A function name, or a name of the document's (which may mean anything).
            j = i;
            while (j < f.size() && (isLetter(f[j]) || f[j].isDigit() || f[j] == '.' || f[j] == '_'))
                ++j;
            if (j >= f.size() || f[j] != '(' || !plainFunctions().contains(f.mid(i, j - i).toUpper()))
                return false;
            i = j;
        } else if (QStringLiteral("+-*/^&=<>%(); !~").contains(c)) {
            ++i;
        } else {
            return false; // another sheet ('name'.A1), an error constant, an inline array ...
        }
    }
    return true;
}

void Dependencies::setFormulas(QHash<quint64, QString> formulas)
{
    m_formulas = std::move(formulas);
    m_all.known.clear();
    m_pending.known.clear();
    for (auto it = m_formulas.cbegin(); it != m_formulas.cend(); ++it)
        m_formulaRows[int(it.key() & 0xffffffff)] << int(it.key() >> 32);
    for (QList<int>& rows : m_formulaRows)
        std::sort(rows.begin(), rows.end());
}

void Dependencies::emptied(int column, int row)
{
    for (Emptied* e : {&m_all, &m_pending}) {
        QList<int>& rows = e->rows[column];
        // Cells are emptied row by row from the top: the insertion is at the end.
        rows.insert(std::upper_bound(rows.begin(), rows.end(), row), row);
        ++e->count;
    }
}

void Dependencies::flushed()
{
    m_pending = Emptied();
}

bool Dependencies::Emptied::anyIn(const Range& range) const
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

bool Dependencies::mayHaveChanged(int column, int row, bool pending)
{
    m_budget = 20000; // past this much searching, it is simply read again
    return changed(pending ? m_pending : m_all, cellKey(column, row), 0);
}

bool Dependencies::changed(Emptied& emptied, quint64 key, int depth)
{
    const auto known = emptied.known.constFind(key);
    if (known != emptied.known.cend() && (known->changed || known->asOf == emptied.count))
        return known->changed;
    if (--m_budget < 0 || depth > 200)
        return true;
    if (!m_plain.contains(key)) {
        QList<Range> ranges;
        m_plain[key] = references(m_formulas.value(key), ranges);
        m_parsed[key] = ranges;
    }
    bool result = !m_plain.value(key);
    // Taken as changed while being looked at: a circle of formulas is read again.
    emptied.known[key] = {true, emptied.count};
    for (const Range& range : m_parsed.value(key)) {
        if (result)
            break;
        result = emptied.anyIn(range);
        for (auto it = m_formulaRows.cbegin(); !result && it != m_formulaRows.cend(); ++it) {
            if (it.key() < range.startColumn || it.key() > range.endColumn)
                continue;
            for (auto r = std::lower_bound(it->cbegin(), it->cend(), range.startRow);
                 !result && r != it->cend() && *r <= range.endRow; ++r)
                result = changed(emptied, cellKey(it.key(), *r), depth + 1);
        }
    }
    emptied.known[key] = {result, emptied.count};
    return result;
}

} // namespace Calc1
