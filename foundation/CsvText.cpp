#include "CsvText.h"

#include <QFile>
#include <QStringDecoder>

namespace CsvText {

void Reader::endField()
{
    m_field(m_column, m_row, std::move(m_text), m_quoted);
    m_text.clear();
    m_quoted = m_started = false;
    ++m_column;
}

void Reader::endRecord()
{
    endField();
    m_record(m_row, m_column);
    ++m_row;
    m_column = 0;
}

void Reader::feed(QStringView piece)
{
    for (const QChar c : piece) {
        if (m_afterCr) {
            m_afterCr = false;
            if (c == '\n')
                continue;
        }
        if (m_quoteInQuotes) {
            m_quoteInQuotes = false;
            if (c == '"') {
                m_text += c;
                continue;
            }
            m_inQuotes = false; // the closing quote; c is read as outside
        }
        if (m_inQuotes) {
            if (c == '"')
                m_quoteInQuotes = true;
            else
                m_text += c;
        } else if (c == '"' && !m_started) {
            m_inQuotes = m_quoted = m_started = true;
        } else if (c == ',') {
            endField();
        } else if (c == '\n' || c == '\r') {
            m_afterCr = c == '\r';
            endRecord();
        } else {
            m_text += c;
            m_started = true;
        }
    }
}

void Reader::finish()
{
    if (m_quoteInQuotes)
        m_inQuotes = m_quoteInQuotes = false;
    if (m_started || m_column > 0 || !m_text.isEmpty())
        endRecord();
}

bool readFile(const QString& path, Reader& reader)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8);
    while (!file.atEnd()) {
        const QByteArray bytes = file.read(1 << 20);
        if (bytes.isEmpty() && file.error() != QFile::NoError)
            return false;
        const QString piece = utf8.decode(bytes);
        reader.feed(piece);
    }
    reader.finish();
    return true;
}

void parse(const QString& text, const std::function<void(int column, int row, QString&& field)>& field)
{
    Reader reader(
        [&](int column, int row, QString&& text, bool) {
            if (!text.isEmpty())
                field(column, row, std::move(text));
        },
        [](int, int) {});
    reader.feed(text);
    reader.finish();
}

} // namespace CsvText
