#include "CsvText.h"

namespace CsvText {

void parse(const QString& text, const std::function<void(int column, int row, QString&& field)>& field)
{
    int row = 0, column = 0;
    QString current;
    bool quoted = false;
    bool started = false;
    auto endField = [&] {
        if (!current.isEmpty())
            field(column, row, std::move(current));
        current.clear();
        started = false;
    };
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c != '"')
                current += c;
            else if (i + 1 < n && text[i + 1] == '"')
                current += text[++i];
            else
                quoted = false;
        } else if (c == '"' && !started) {
            quoted = started = true;
        } else if (c == ',') {
            endField();
            ++column;
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < n && text[i + 1] == '\n')
                ++i;
            endField();
            ++row;
            column = 0;
        } else {
            current += c;
            started = true;
        }
    }
    endField();
}

} // namespace CsvText
