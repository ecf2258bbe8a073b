#include "Calc1.h"

#include <QFileInfo>
#include <QUrl>

namespace Calc1 {

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
    qint64 value = 0;
    for (QChar c : letters) {
        const char16_t u = c.toUpper().unicode();
        if (u < 'A' || u > 'Z')
            return 0;
        value = value * 26 + (u - 'A' + 1);
        if (value > office::AnyColumn)
            return 0;
    }
    return int(value);
}

office::PropertyValue MakePropertyValue(const QString& name, const QVariant& value)
{
    return {name, value};
}

QString cellName(int column, int row)
{
    return getColumnLetters(column + 1) + QString::number(row + 1);
}

QString unnamedSheet(int index)
{
    return QString("sheet %1").arg(index + 1);
}

QString sheetName(office::Document& document, int index)
{
    try {
        return document.sheetName(index);
    } catch (const office::Gone&) {
        throw; // the file ends with its office
    } catch (const office::Error&) {
        return unnamedSheet(index);
    }
}

QString keptRepeats(qint64 count)
{
    return QString("%1 repeated cell(s) could not be emptied and were kept (a protected cell, or part of an array "
                   "formula)")
        .arg(count);
}

QString unservedFormulas(qint64 count)
{
    return QString("%1 formula(s) show what this office may not fetch (web data, an external link, DDE) rather than "
                   "what the document's owner sees, and were left as they are (neither emptied nor kept as first "
                   "instances)")
        .arg(count);
}

QString FileUrl(const QString& path)
{
    return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded);
}

} // namespace Calc1
