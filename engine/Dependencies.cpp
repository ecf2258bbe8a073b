#include "Dependencies.h"

#include "Calc1.h"

#include <QSet>

#include <algorithm>
#include <optional>

namespace Calc1 {

namespace {

// Functions whose result depends only on their arguments: not the time, a
// random draw, the cell they stand in, or cells they name by text. The web
// functions count too, since nothing is ever fetched: their result changes
// only with their arguments.
const QSet<QString>& plainFunctions()
{
    static const QSet<QString> names = {
        "ABS",      "AND",        "AVERAGE",   "AVERAGEA",  "AVERAGEIF", "AVERAGEIFS", "CEILING",    "CHAR",
        "CHOOSE",   "CLEAN",      "CODE",      "COLUMN",    "COLUMNS",   "CONCAT",     "CONCATENATE", "COUNT",
        "COUNTA",   "COUNTBLANK", "COUNTIF",   "COUNTIFS",  "DATE",      "DATEVALUE",  "DAY",        "DOLLAR",
        "EDATE",    "ENCODEURL",  "EOMONTH",   "EXACT",     "EXP",       "FALSE",      "FILTERXML",  "FIND",
        "FIXED",    "FLOOR",      "HLOOKUP",   "HOUR",      "IF",        "IFERROR",    "IFNA",       "INDEX",
        "INT",      "ISBLANK",    "ISERR",     "ISERROR",   "ISEVEN",    "ISLOGICAL",  "ISNA",       "ISNONTEXT",
        "ISNUMBER", "ISODD",      "ISTEXT",    "LARGE",     "LEFT",      "LEN",        "LN",         "LOG",
        "LOOKUP",   "LOWER",      "MATCH",     "MAX",       "MAXA",      "MEDIAN",     "MID",        "MIN",
        "MINA",     "MINUTE",     "MOD",       "MONTH",     "MROUND",    "N",          "NA",         "NOT",
        "OR",       "PI",         "POWER",     "PRODUCT",   "PROPER",    "RANK",       "REPLACE",    "REPT",
        "RIGHT",    "ROUND",      "ROUNDDOWN", "ROUNDUP",   "ROW",       "ROWS",       "SEARCH",     "SECOND",
        "SIGN",     "SMALL",      "SQRT",      "STDEV",     "SUBSTITUTE", "SUM",       "SUMIF",      "SUMIFS",
        "SUMPRODUCT", "T",        "TEXT",      "TEXTJOIN",  "TRIM",      "TRUE",       "TRUNC",      "UPPER",
        "VALUE",    "VAR",        "VLOOKUP",   "WEBSERVICE", "WEEKDAY",  "XOR",        "YEAR",
    };
    return names;
}

// Excel's newer functions come with a prefix.
QString functionName(QString name)
{
    name = name.toUpper();
    for (const char* prefix : {"COM.MICROSOFT.", "_XLFN."})
        if (name.startsWith(prefix))
            return name.mid(qstrlen(prefix));
    return name;
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

namespace {

// A sheet's name before a reference ("$Sheet2.", "'my sheet'.") at i: the
// name, and i past the dot; nothing when there is none.
std::optional<QString> sheetAt(const QString& f, qsizetype& i)
{
    qsizetype j = i;
    if (j < f.size() && f[j] == '$')
        ++j;
    QString name;
    if (j < f.size() && f[j] == '\'') {
        for (++j; j < f.size(); ++j) {
            if (f[j] == '\'' && j + 1 < f.size() && f[j + 1] == '\'')
                name += f[++j];
            else if (f[j] == '\'')
                break;
            else
                name += f[j];
        }
        if (j >= f.size())
            return std::nullopt;
        ++j;
    } else {
        const qsizetype start = j;
        while (j < f.size() && (isLetter(f[j]) || f[j].isDigit() || f[j] == '_'))
            ++j;
        name = f.mid(start, j - start);
    }
    if (name.isEmpty() || j >= f.size() || f[j] != '.')
        return std::nullopt;
    qsizetype k = j + 1;
    int column, row;
    if (!cellAt(f, k, column, row))
        return std::nullopt; // a function such as COM.MICROSOFT.WEBSERVICE
    i = j + 1;
    return name;
}

} // namespace

Dependencies::Parsed Dependencies::parse(const QString& f)
{
    Parsed parsed;
    parsed.plain = false;
    if (!f.startsWith('='))
        return parsed; // an array formula and anything unexpected
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
                return parsed; // a row range such as 1:3, or something else
        } else if (c == '$' || c == '\'' || isLetter(c)) {
            qsizetype j = i;
            const std::optional<QString> sheet = sheetAt(f, j);
            int column, row;
            if (cellAt(f, j, column, row) && !(j < f.size() && (isLetter(f[j]) || f[j] == '(' || f[j] == '.'))) {
                Range range{column, row, column, row};
                if (j < f.size() && f[j] == ':') {
                    ++j;
                    qsizetype k = j;
                    const std::optional<QString> second = sheetAt(f, k);
                    if (second && (!sheet || *second != *sheet))
                        return parsed; // across sheets
                    j = k;
                    int column2, row2;
                    if (!cellAt(f, j, column2, row2))
                        return parsed;
                    range = {std::min(column, column2), std::min(row, row2), std::max(column, column2),
                             std::max(row, row2)};
                }
                if (j < f.size() && (isLetter(f[j]) || f[j] == '.' || f[j] == '(' || f[j] == ':'))
                    return parsed;
                if (sheet)
                    parsed.elsewhere << SheetRange{*sheet, range};
                else
                    parsed.ranges << range;
                i = j;
                continue;
            }
            if (c == '\'' || sheet)
                return parsed;
            // A function name, or a name of the document's (which may mean anything).
            j = i;
            while (j < f.size() && (isLetter(f[j]) || f[j].isDigit() || f[j] == '.' || f[j] == '_'))
                ++j;
            if (j >= f.size() || f[j] != '(' || !plainFunctions().contains(functionName(f.mid(i, j - i))))
                return parsed;
            i = j;
        } else if (QStringLiteral("+-*/^&=<>%(); !~").contains(c)) {
            ++i;
        } else {
            return parsed; // an error constant, an inline array ...
        }
    }
    parsed.plain = true;
    return parsed;
}

bool Dependencies::references(const QString& f, QList<Range>& ranges)
{
    Parsed parsed = parse(f);
    if (!parsed.plain || !parsed.elsewhere.isEmpty())
        return false;
    ranges << parsed.ranges;
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

// Only noted here: a sheet without formulas never asks, and one with
// formulas asks far less often than it empties.
void Dependencies::emptied(int column, int row)
{
    m_log << cellKey(column, row);
}

void Dependencies::flushed()
{
    m_pending = Emptied();
    m_pending.folded = m_log.size();
}

void Dependencies::fold(Emptied& e)
{
    for (qsizetype i = e.folded; i < m_log.size(); ++i) {
        const int column = int(m_log[i] & 0xffffffff), row = int(m_log[i] >> 32);
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
    Emptied& emptied = pending ? m_pending : m_all;
    fold(emptied);
    return changed(emptied, cellKey(column, row), 0);
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
