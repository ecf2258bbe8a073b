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

// Runs of plain characters are taken at once: most of a sheet's text is.
void Reader::feed(QStringView piece)
{
    const QChar* at = piece.data();
    const QChar* const end = at + piece.size();
    auto runUntil = [&](auto stops) {
        const QChar* from = at;
        while (at < end && !stops(*at))
            ++at;
        m_text.append(from, at - from);
    };
    while (at < end) {
        const QChar c = *at;
        if (m_afterCr) {
            m_afterCr = false;
            if (c == '\n') {
                ++at;
                continue;
            }
        }
        if (m_quoteInQuotes) {
            m_quoteInQuotes = false;
            if (c == '"') {
                m_text += c;
                ++at;
                continue;
            }
            m_inQuotes = false; // the closing quote; c is read as outside
        }
        if (m_inQuotes) {
            runUntil([](QChar x) { return x == '"'; });
            if (at < end) {
                m_quoteInQuotes = true;
                ++at;
            }
        } else if (c == '"' && !m_started) {
            m_inQuotes = m_quoted = m_started = true;
            ++at;
        } else if (c == ',') {
            endField();
            ++at;
        } else if (c == '\n' || c == '\r') {
            m_afterCr = c == '\r';
            endRecord();
            ++at;
        } else {
            runUntil([](QChar x) { return x == ',' || x == '\n' || x == '\r'; });
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

bool readShaped(const QString& path, Shape shape, const Reader::Field& field)
{
    bool fits = true;
    int records = 0;
    Reader reader(field, [&](int, int fields) {
        if (shape.columns < 0)
            shape.columns = fields;
        fits = fits && fields == shape.columns;
        ++records;
    });
    return readFile(path, reader) && fits && (shape.rows < 0 || records == shape.rows);
}

QByteArray line(const QStringList& fields)
{
    QStringList quoted;
    for (QString field : fields) {
        if (field.contains(',') || field.contains('"') || field.contains('\n') || field.contains('\r'))
            field = '"' + field.replace('"', "\"\"") + '"';
        quoted << field;
    }
    return quoted.join(',').toUtf8() + "\r\n";
}

} // namespace CsvText
