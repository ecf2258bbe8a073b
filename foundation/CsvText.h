#pragma once
// Comma-separated text: fields in double quotes may hold commas, line breaks
// and doubled quotes. The office's is read in pieces, so a sheet's text never
// has to sit in memory whole; the batch report is written a line at a time.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

namespace CsvText {

class Reader {
public:
    /// Every field, empty ones too; quoted tells "" from nothing at all.
    using Field = std::function<void(int column, int row, QString&& text, bool quoted)>;
    /// After each record, with its number of fields.
    using Record = std::function<void(int row, int fields)>;

    Reader(Field field, Record record) : m_field(std::move(field)), m_record(std::move(record)) { }
    void feed(QStringView piece);
    /// Ends a last record that had no line break.
    void finish();

private:
    void endField();
    void endRecord();

    Field m_field;
    Record m_record;
    QString m_text;
    int m_row = 0, m_column = 0;
    bool m_inQuotes = false, m_quoted = false, m_started = false;
    bool m_quoteInQuotes = false; ///< a quote inside quotes: doubled, or the end
    bool m_afterCr = false;
};

/// Reads a file of UTF-8 text through the reader; false when it cannot be read.
bool readFile(const QString& path, Reader& reader);

/// What a sheet's text must look like: a record for each row and a field for
/// each column of the sheet's area, where known (-1: as many as the first
/// record has). A number format holding a line break splits a record.
struct Shape {
    int rows = -1;
    int columns = -1;
};
/// Hands each field of the file to field(); false when the file cannot be
/// read or has not the shape (the fields were handed out regardless).
bool readShaped(const QString& path, Shape shape, const Reader::Field& field);

/// One line (RFC 4180) in UTF-8, ending in CRLF: a field holding a comma, a
/// quote or a line break is quoted, its quotes doubled.
QByteArray line(const QStringList& fields);

} // namespace CsvText
