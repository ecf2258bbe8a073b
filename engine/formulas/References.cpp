#include "References.h"

#include <QSet>

#include <algorithm>
#include <optional>

namespace formulas {

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
    column = -1;
    for (qsizetype k = letters; k < j; ++k)
        column = (column + 1) * 26 + (f[k].toUpper().unicode() - 'A');
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

// Past a text in quotes (two quotes inside stand for one).
void skipText(const QString& f, qsizetype& i)
{
    for (++i; i < f.size(); ++i)
        if (f[i] == '"' && !(i + 1 < f.size() && f[i + 1] == '"'))
            break;
        else if (f[i] == '"')
            ++i;
    ++i;
}

// Past a number; false when it is the start of something else (a row range
// such as 1:3).
bool skipNumber(const QString& f, qsizetype& i)
{
    while (i < f.size() && (f[i].isDigit() || f[i] == '.'))
        ++i;
    if (i < f.size() && (f[i] == 'E' || f[i] == 'e')) {
        ++i;
        if (i < f.size() && (f[i] == '+' || f[i] == '-'))
            ++i;
        while (i < f.size() && f[i].isDigit())
            ++i;
    }
    return !(i < f.size() && (isLetter(f[i]) || f[i] == ':' || f[i] == '.'));
}

enum class Token { Reference, Other, NotPlain };

// A cell or a range at i, perhaps of a named sheet, added to `parsed`.
Token readReference(const QString& f, qsizetype& i, Parsed& parsed)
{
    qsizetype j = i;
    const std::optional<QString> sheet = sheetAt(f, j);
    int column, row;
    if (!cellAt(f, j, column, row) || (j < f.size() && (isLetter(f[j]) || f[j] == '(' || f[j] == '.')))
        return f[i] == '\'' || sheet ? Token::NotPlain : Token::Other;
    Range range{column, row, column, row};
    if (j < f.size() && f[j] == ':') {
        ++j;
        qsizetype k = j;
        const std::optional<QString> second = sheetAt(f, k);
        if (second && (!sheet || *second != *sheet))
            return Token::NotPlain; // across sheets
        j = k;
        int column2, row2;
        if (!cellAt(f, j, column2, row2))
            return Token::NotPlain;
        range = {std::min(column, column2), std::min(row, row2), std::max(column, column2), std::max(row, row2)};
    }
    if (j < f.size() && (isLetter(f[j]) || f[j] == '.' || f[j] == '(' || f[j] == ':'))
        return Token::NotPlain;
    if (sheet)
        parsed.elsewhere << SheetRange{*sheet, range};
    else
        parsed.ranges << range;
    i = j;
    return Token::Reference;
}

// Past a function's name; false for anything else, such as a name of the
// document's (which may mean anything) or a function whose result is not
// only its arguments'.
bool skipPlainFunction(const QString& f, qsizetype& i)
{
    qsizetype j = i;
    while (j < f.size() && (isLetter(f[j]) || f[j].isDigit() || f[j] == '.' || f[j] == '_'))
        ++j;
    if (j >= f.size() || f[j] != '(' || !plainFunctions().contains(functionName(f.mid(i, j - i))))
        return false;
    i = j;
    return true;
}

} // namespace

Parsed parse(const QString& f)
{
    Parsed parsed;
    if (!f.startsWith('='))
        return parsed; // an array formula and anything unexpected
    for (qsizetype i = 1; i < f.size();) {
        const QChar c = f[i];
        if (c == '"') {
            skipText(f, i);
        } else if (c.isDigit() || (c == '.' && i + 1 < f.size() && f[i + 1].isDigit())) {
            if (!skipNumber(f, i))
                return parsed;
        } else if (c == '$' || c == '\'' || isLetter(c)) {
            const Token token = readReference(f, i, parsed);
            if (token == Token::NotPlain || (token == Token::Other && !skipPlainFunction(f, i)))
                return parsed;
        } else if (QStringLiteral("+-*/^&=<>%(); !~").contains(c)) {
            ++i;
        } else {
            return parsed; // an error constant, an inline array ...
        }
    }
    parsed.plain = true;
    return parsed;
}

bool references(const QString& f, QList<Range>& ranges)
{
    Parsed parsed = parse(f);
    if (!parsed.plain || !parsed.elsewhere.isEmpty())
        return false;
    ranges << parsed.ranges;
    return true;
}

} // namespace formulas
