#pragma once
// Reads the office's comma-separated text: fields in double quotes may hold
// commas, line breaks and doubled quotes.

#include <QList>
#include <QString>
#include <QStringList>

namespace CsvText {

QList<QStringList> parse(const QString& text);

} // namespace CsvText
