// Fuzz target for the pure helpers: path texts, column letters and numbers,
// the leading-number reader and the office's comma-separated text. Besides
// not crashing, each must keep the promises its callers rely on.

#include "Calc1.h"
#include "CsvText.h"
#include "Paths.h"

#include <QString>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void require(bool promise)
{
    if (!promise)
        std::abort();
}

void paths(const QString& s)
{
    for (Paths::Style style : {Paths::Style::Windows, Paths::Style::Posix}) {
        const QChar sep = Paths::separator(style);
        const QString name = Paths::GetFileName(s, style);
        require(s.endsWith(name) && !name.contains(sep));
        const QString collapsed = Paths::CollapseBackslashes(s, style);
        require(collapsed.size() <= s.size() + 1);
        if (style == Paths::Style::Windows && s.startsWith(sep))
            require(collapsed.startsWith(QString(2, sep)) && !collapsed.startsWith(QString(3, sep)));
        if (style == Paths::Style::Posix && s.startsWith(sep))
            require(collapsed.startsWith(sep) && !collapsed.startsWith(QString(2, sep)));
        require(QString(collapsed).remove(sep) == QString(s).remove(sep)); // only separators go
    }
    require(s.endsWith(Paths::GetExtension(s)));
    const QString replaced = Paths::ReplaceExtension(s, "sxw");
    require(replaced.endsWith(".sxw"));
    const double number = Paths::LeadingNumber(s);
    require(number == number); // never NaN
}

void columns(const QString& s, const uint8_t* data, size_t size)
{
    const int number = Calc1::getColumnNumber(s);
    require(number >= 0 && number <= (1 << 24));
    if (number > 0)
        require(Calc1::getColumnLetters(number) == s.toUpper());
    uint32_t n = 0;
    std::memcpy(&n, data, std::min(size, sizeof n));
    n %= (1u << 24);
    if (n > 0)
        require(Calc1::getColumnNumber(Calc1::getColumnLetters(int(n))) == int(n));
}

// Feeds the text in two pieces, cut anywhere: a field may span them.
void readCsv(const QString& text, const CsvText::Reader::Field& field)
{
    CsvText::Reader reader(field, [](int, int) {});
    const qsizetype cut = text.size() / 2;
    reader.feed(QStringView(text).left(cut));
    reader.feed(QStringView(text).mid(cut));
    reader.finish();
}

void csv(const QString& s)
{
    // Any text parses; a grid written as the report writes it reads back the same.
    readCsv(s, [](int column, int row, QString&&, bool) { require(column >= 0 && row >= 0); });
    QList<QStringList> grid;
    for (const QString& line : s.split(QChar(2)))
        grid << line.split(QChar(1));
    QString text;
    for (const QStringList& row : grid)
        text += QString::fromUtf8(CsvText::line(row));
    QList<QStringList> back(grid.size());
    readCsv(text, [&](int column, int row, QString&& field, bool) {
        if (field.isEmpty())
            return;
        require(row < back.size());
        while (back[row].size() <= column)
            back[row] << QString();
        back[row][column] = field;
    });
    for (qsizetype r = 0; r < grid.size(); ++r) {
        QStringList expected = grid[r];
        while (!expected.isEmpty() && expected.last().isEmpty())
            expected.removeLast();
        require(back[r] == expected);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString s = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    paths(s);
    columns(s, data, size);
    csv(s);
    return 0;
}
