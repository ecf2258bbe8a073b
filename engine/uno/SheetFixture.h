#pragma once
// Makes and reads spreadsheets through the office, for tests and benchmarks:
// files the office itself wrote, read back as the office shows them.

#include "OfficeConnection.h"

#include <QList>
#include <QString>
#include <QStringList>

struct FixtureCell {
    enum Kind { Empty, Text, Number, Formula };
    Kind kind = Empty;
    QString text; ///< the text, or the formula
    double number = 0;
    QString format; ///< a number format code such as "YYYY-MM-DD"; empty keeps the default
    QString note; ///< a comment attached to the cell
    int mergeColumns = 1; ///< with mergeRows, merges the cell with its neighbours
    int mergeRows = 1;

    static FixtureCell ofText(const QString& t) { return {Text, t}; }
    static FixtureCell ofNumber(double n, const QString& format = {}) { return {Number, {}, n, format}; }
    static FixtureCell ofFormula(const QString& f, const QString& format = {}) { return {Formula, f, 0, format}; }
};

/// Rows of cells from A1; texts by default.
using FixtureSheet = QList<QList<FixtureCell>>;
using FixtureBook = QList<FixtureSheet>;

/// A grid of what each cell shows, from A1 to the end of the used area.
using ShownSheet = QList<QStringList>;

class SheetFixture {
public:
    explicit SheetFixture(OfficeConnection& office) : m_office(office) { }

    /// Writes the book; the format follows the extension (.ods, .xls, .xlsx, .csv).
    void write(const QString& path, const FixtureBook& book);
    /// Texts only, many cells quickly: each sheet's rows are written in one call
    /// (an empty text leaves its cell empty).
    /// With a password the file can be opened only with it.
    void writeTexts(const QString& path, const QList<QList<QStringList>>& sheets, const QString& password = {});

    /// A few texts at given places: {sheet, column, row, text}.
    struct Placed {
        int sheet, column, row;
        QString text;
    };
    void writePlaced(const QString& path, const QList<Placed>& cells);

    QList<ShownSheet> read(const QString& path);
    /// Everything the tests compare of each cell of the used area:
    /// "shown | formula | number format | note | merged".
    QList<ShownSheet> describe(const QString& path);

    /// Loads the file hidden and stores it unchanged to another path.
    void loadAndStore(const QString& from, const QString& to);

private:
    OfficeConnection& m_office;
};
