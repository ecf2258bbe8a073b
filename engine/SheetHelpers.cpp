#include "Calc1.h"

#include "ErrorReport.h"

#include <QFileInfo>
#include <QUrl>

namespace Calc1 {

int getLastUsedColumn(office::Sheet& sheet)
{
    StepGuard guard(ErrorReport::location("Calc1", "getLastUsedColumn"));
    return getLastUsedColumn(sheet, guard);
}

int getLastUsedColumn(office::Sheet& sheet, StepGuard& step)
{
    // Each step needs what the one before produced; after a failure the rest
    // has nothing to act on and the answer is 0.
    std::unique_ptr<office::Cell> cell;
    std::unique_ptr<office::CellCursor> cursor;
    office::RangeAddress address;
    int result = 0;
    step(100, [&] { cell = sheet.cellByPosition(0, 0); }) //
        && step(102, [&] { cursor = sheet.createCursorByRange(*cell); })
        && step(104, [&] { cursor->gotoEndOfUsedArea(true); }) && step(106, [&] { address = cursor->rangeAddress(); })
        && step(108, [&] { result = address.endColumn; });
    return result;
}

int getLastUsedRow(office::Sheet& sheet)
{
    auto cell = sheet.cellByPosition(0, 0);
    auto cursor = sheet.createCursorByRange(*cell);
    cursor->gotoEndOfUsedArea(true);
    return cursor->rangeAddress().endRow;
}

QString getColumnLetters(int columnNumber)
{
    QString letters;
    for (int n = columnNumber; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar('A' + (n - 1) % 26));
    return letters;
}

int getColumnNumber(QString letters)
{
    // Far past the widest sheet any office makes, and far from overflowing.
    constexpr qint64 beyondAnySheet = 1 << 24;
    qint64 value = 0;
    for (QChar c : letters) {
        const char16_t u = c.toUpper().unicode();
        if (u < 'A' || u > 'Z')
            return 0;
        value = value * 26 + (u - 'A' + 1);
        if (value > beyondAnySheet)
            return 0;
    }
    return int(value);
}

office::PropertyValue MakePropertyValue(const QString& name, const QVariant& value)
{
    return {name, value};
}

QString FileUrl(const QString& path)
{
    return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded);
}

} // namespace Calc1
