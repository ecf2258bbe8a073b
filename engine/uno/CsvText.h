#pragma once
// Reads the office's comma-separated text: fields in double quotes may hold
// commas, line breaks and doubled quotes.

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace CsvText {

/// Calls field(column, row, text) for every field that is not empty, row by row.
void parse(const QString& text, const std::function<void(int column, int row, QString&& field)>& field);

} // namespace CsvText
