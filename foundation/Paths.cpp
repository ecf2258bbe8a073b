#include "Paths.h"

#include <QLocale>

namespace Paths {

Style nativeStyle()
{
#ifdef Q_OS_WIN
    return Style::Windows;
#else
    return Style::Posix;
#endif
}

QChar separator(Style style)
{
    return style == Style::Windows ? QChar('\\') : QChar('/');
}

QString GetFileName(const QString& path, Style style)
{
    const qsizetype p = path.lastIndexOf(separator(style));
    return p < 0 ? path : path.mid(p + 1);
}

QString GetExtension(const QString& s)
{
    const qsizetype p = s.lastIndexOf('.');
    if (p <= 0)
        return s;
    return s.mid(p + 1);
}

QString WithoutTrailingSeparators(QString path, Style style)
{
    while (path.size() > 1 && path.endsWith(separator(style)))
        path.chop(1);
    return path;
}

static QString collapsePairs(const QString& s, QChar sep)
{
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        out += s[i];
        if (s[i] == sep && i + 1 < s.size() && s[i + 1] == sep)
            ++i; // the pair's second half
    }
    return out;
}

QString CollapseBackslashes(const QString& path, Style style)
{
    const QChar sep = separator(style);
    if (path.isEmpty() || path[0] != sep)
        return collapsePairs(path, sep);
    qsizetype q = 0;
    while (q < path.size() && path[q] == sep)
        ++q;
    const QString prefix = style == Style::Windows ? QString(2, sep) : QString(sep);
    return prefix + collapsePairs(path.mid(q), sep);
}

QString ReplaceExtension(const QString& fileName, const QString& newExtension)
{
    const qsizetype p = fileName.lastIndexOf('.');
    if (p <= 0)
        return fileName + '.' + newExtension;
    return fileName.left(p + 1) + newExtension;
}

double LeadingNumber(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto isBlank = [](QChar c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (i < n && isBlank(text[i]))
        ++i;
    QString number;
    if (i < n && (text[i] == '+' || text[i] == '-'))
        number += text[i++];
    auto digits = [&] {
        qsizetype count = 0;
        while (i < n && text[i] >= '0' && text[i] <= '9') {
            number += text[i++];
            ++count;
        }
        return count;
    };
    qsizetype mantissa = digits();
    if (i < n && text[i] == '.') {
        number += text[i++];
        mantissa += digits();
    }
    if (mantissa == 0)
        return 0.0;
    if (i < n && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        const qsizetype mark = i;
        QString exponent = "e";
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-'))
            exponent += text[i++];
        const qsizetype before = i;
        while (i < n && text[i] >= '0' && text[i] <= '9')
            exponent += text[i++];
        if (i > before)
            number += exponent;
        else
            i = mark;
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    return ok ? value : 0.0;
}

// Whole text a number under the user's locale: blanks around, sign, fraction,
// exponent. The locale's parser alone also takes "inf" and "nan"; a number as
// typed holds no letter but the exponent's E between digits.
bool IsNumeric(const QString& text)
{
    const QString number = text.trimmed();
    bool ok = false;
    QLocale().toDouble(number, &ok);
    if (!ok)
        return false;
    const qsizetype n = number.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (!number[i].isLetter())
            continue;
        qsizetype next = i + 1;
        if (next < n && (number[next] == '+' || number[next] == '-'))
            ++next;
        const bool exponent = (number[i] == 'e' || number[i] == 'E') && i > 0 && number[i - 1].isDigit() && next < n
            && number[next].isDigit();
        if (!exponent)
            return false;
    }
    return true;
}

} // namespace Paths
