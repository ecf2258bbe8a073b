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
