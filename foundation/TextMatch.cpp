#include "TextMatch.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <QStringList>

namespace {

// Full folding: a letter may fold to several ("ß" to "ss"), which Qt's own
// folding leaves as it is.
QString folded(const QString& text)
{
    QString out(text.size() + 8, Qt::Uninitialized);
    for (int attempt = 0; attempt < 2; ++attempt) {
        UErrorCode error = U_ZERO_ERROR;
        const int32_t length = u_strFoldCase(reinterpret_cast<UChar*>(out.data()), int32_t(out.size()),
                                             reinterpret_cast<const UChar*>(text.constData()), int32_t(text.size()),
                                             U_FOLD_CASE_DEFAULT, &error);
        if (U_SUCCESS(error)) {
            out.truncate(length);
            return out;
        }
        if (error != U_BUFFER_OVERFLOW_ERROR)
            break;
        out.resize(length);
    }
    return text.toCaseFolded();
}

// Unicode's white space, no-break spaces included: the ends go, and each run
// inside becomes one blank.
QString blanked(const QString& text)
{
    QString out;
    out.reserve(text.size());
    bool blank = false;
    for (const QChar c : text) {
        if (u_isUWhiteSpace(c.unicode())) {
            blank = !out.isEmpty();
            continue;
        }
        if (blank)
            out += QLatin1Char(' ');
        blank = false;
        out += c;
    }
    return out;
}

} // namespace

std::optional<Match> matchMode(const QString& name)
{
    static const QStringList names{"exact", "case", "space", "loose"};
    const qsizetype i = names.indexOf(name);
    if (i < 0)
        return std::nullopt;
    return Match(i);
}

QString matchKey(const QString& text, Match match)
{
    switch (match) {
    case Match::Exact: return text;
    case Match::Case: return folded(text);
    case Match::Space: return blanked(text);
    case Match::Loose: return blanked(folded(text.normalized(QString::NormalizationForm_KC)));
    }
    return text;
}
