#include "GeneratedBooks.h"

#include "Calc1.h"
#include "References.h"

#include <QRandomGenerator>

#include <array>
#include <functional>

namespace {

using C = FixtureCell;

C with(C cell, const std::function<void(C&)>& change)
{
    change(cell);
    return cell;
}

} // namespace

// Texts, numbers in awkward formats, formulas over cells before and after,
// over other formulas, on earlier and later sheets, over repeats, volatile
// and lookup functions, formulas whose text turns from a new one into a
// repeat as cells before them are emptied; merges, notes, protection,
// arrays, drawings.
std::pair<FixtureBook, QList<FixtureLook>> generated(quint32 seed, int sheetCount)
{
    QRandomGenerator random(seed);
    auto pick = [&](const QStringList& list) { return list[random.bounded(int(list.size()))]; };
    const QStringList texts = {"x",  "X",       "x ",   "1.5",          "0", "5",   "a\nb", "say \"hi\", twice",
                               "=x", "#DIV/0!", "TRUE", "1,234.50 EUR", " ", "0.15"};
    const QStringList formats = {"",
                                 "",
                                 "0%",
                                 "YYYY-MM-DD",
                                 "#,##0.00 \"EUR\"",
                                 "0\"\nx\"",
                                 "0\"\t\"0",
                                 "0\",\"0",
                                 ";;;",
                                 "@",
                                 "\\\"0",
                                 "[$\xe2\x82\xac-407] #,##0.00"};
    const QList<double> numbers = {0, 1.5, 5, 1234.5, -2, 45535, 0.15};
    const int sheets = sheetCount > 0 ? sheetCount : 1 + random.bounded(3);
    FixtureBook book(sheets);
    QList<FixtureLook> looks(sheets);
    // Formulas over a cell of a later sheet: {sheet, row, column, later sheet, its row, its column}.
    QList<std::array<int, 6>> later;
    for (int s = 0; s < sheets; ++s) {
        const int rows = 4 + random.bounded(11), columns = 3 + random.bounded(6);
        auto ref = [&](int row) {
            return Calc1::getColumnLetters(1 + random.bounded(columns)) + QString::number(1 + random.bounded(row));
        };
        FixtureSheet& sheet = book[s];
        sheet = FixtureSheet(rows, QList<C>(columns));
        QStringList formulaCells; // of this sheet so far
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c) {
                C& cell = sheet[r][c];
                const int kind = random.bounded(100);
                if (kind < 35) {
                    cell = C::ofText(pick(texts));
                } else if (kind < 55) {
                    cell = C::ofNumber(numbers[random.bounded(int(numbers.size()))], pick(formats));
                } else if (kind < 80) {
                    const QString a = ref(r + 1), b = ref(rows);
                    // Cells of the rows above: what a function that names its
                    // cells by text or offset reads never closes a circle.
                    const QString above = r > 0 ? ref(r) : a;
                    const QString earlier = formulaCells.isEmpty() ? a : pick(formulaCells);
                    QStringList formulas
                        = {"=" + a,
                           "=" + b,
                           "=SUM(" + a + ":" + b + ")",
                           "=\"\"",
                           "=1/0",
                           "=IF(" + a + "=\"\";\"gone\";" + a + ")",
                           "=LEN(" + b + ")&\"\"",
                           "=COUNTA(A1:" + b + ")",
                           s > 0 ? "=$Sheet" + QString::number(1 + random.bounded(s)) + "." + a : "=" + a,
                           "=" + a + "&\"\"",
                           "=" + earlier + "&\"\"",
                           "=IF(ISBLANK(" + earlier + ");\"x\";\"X\")",
                           "=VLOOKUP(" + a + ";A1:" + Calc1::getColumnLetters(columns) + QString::number(r + 1)
                               + ";2;0)",
                           "=MATCH(" + a + ";A1:A" + QString::number(r + 1) + ";0)"};
                    if (r > 0)
                        formulas << "=INDIRECT(\"" + above + "\")" << "=OFFSET(" + above + ";0;0)&\"\"";
                    const int otherSheet = s + 1 < sheets ? s + 1 + random.bounded(sheets - s - 1) : -1;
                    const int otherRow = random.bounded(4), otherColumn = random.bounded(3);
                    if (otherSheet >= 0)
                        formulas << "=$Sheet" + QString::number(otherSheet + 1) + "."
                                + Calc1::getColumnLetters(otherColumn + 1) + QString::number(otherRow + 1);
                    const QString chosen = pick(formulas);
                    if (otherSheet >= 0 && chosen == formulas.last())
                        later << std::array<int, 6>{s, r, c, otherSheet, otherRow, otherColumn};
                    cell = C::ofFormula(chosen, random.bounded(4) ? QString() : pick(formats));
                    formulaCells << Calc1::getColumnLetters(c + 1) + QString::number(r + 1);
                } else if (kind < 84 && c + 1 < columns) {
                    cell = with(C::ofFormula("=" + ref(r + 1) + ":" + ref(r + 1)),
                                [](C& x) { x.arrayColumns = 1, x.arrayRows = 1; });
                    if (random.bounded(2)) {
                        cell.text = QString("=A%1:B%1").arg(1 + random.bounded(r + 1));
                        cell.arrayColumns = 2;
                        sheet[r][++c] = C{};
                    }
                }
                if (cell.kind != C::Empty && random.bounded(20) == 0)
                    cell.note = "note " + pick(texts);
                if (random.bounded(30) == 0 && c + 1 < columns)
                    cell.mergeColumns = 2;
                cell.locked = random.bounded(3) != 0;
                cell.hidden = random.bounded(10) == 0;
            }
        // What a circle of formulas shows depends on the order the office
        // happens to calculate them in, which nothing here decides: formulas
        // refer to later formulas of their sheet only where no circle can close.
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c) {
                QList<formulas::Range> ranges;
                if (sheet[r][c].kind != C::Formula || !formulas::references(sheet[r][c].text, ranges))
                    continue;
                for (const auto& range : std::as_const(ranges))
                    for (int rr = range.startRow; rr <= range.endRow && rr < rows; ++rr)
                        for (int cc = range.startColumn; cc <= range.endColumn && cc < columns; ++cc)
                            if (sheet[rr][cc].kind == C::Formula && std::pair(rr, cc) >= std::pair(r, c)) {
                                const C plain = C::ofText(sheet[rr][cc].text.mid(1));
                                (rr == r && cc == c ? sheet[r][c] : sheet[rr][cc]) = plain;
                            }
            }
        FixtureLook& look = looks[s];
        look.protectedSheet = random.bounded(3) == 0;
        look.hiddenSheet = sheets > 1 && random.bounded(4) == 0;
        if (random.bounded(3) == 0)
            look.hiddenRows << random.bounded(rows);
        if (random.bounded(3) == 0)
            look.hiddenColumns << random.bounded(columns);
        for (int d = random.bounded(3); d > 0; --d)
            look.drawings << QList<int>{random.bounded(columns), random.bounded(rows), 1 + random.bounded(3), 1};
    }
    // A formula of a later sheet may read back: one over a later formula is a text.
    for (const auto& [s, r, c, other, row, column] : std::as_const(later)) {
        const C target = book[other].value(row).value(column);
        if (target.kind == C::Formula && book[s][r][c].kind == C::Formula)
            book[s][r][c] = C::ofText(book[s][r][c].text.mid(1));
    }
    return {book, looks};
}
