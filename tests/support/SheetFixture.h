#pragma once
// Makes and reads spreadsheets through the office, for tests and benchmarks:
// files the office itself wrote, read back as the office shows them.

#include "OfficeConnection.h"
#include "TextMatch.h"

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
    int arrayColumns = 0; ///< a formula given as an array formula over this many columns and rows
    int arrayRows = 0;
    bool locked = true; ///< protection, in force on a protected sheet
    bool hidden = false;

    static FixtureCell ofText(const QString& t) { return of(Text, t, 0, {}); }
    static FixtureCell ofNumber(double n, const QString& format = {}) { return of(Number, {}, n, format); }
    static FixtureCell ofFormula(const QString& f, const QString& format = {}) { return of(Formula, f, 0, format); }
    static FixtureCell of(Kind kind, const QString& text, double number, const QString& format)
    {
        FixtureCell cell;
        cell.kind = kind;
        cell.text = text;
        cell.number = number;
        cell.format = format;
        return cell;
    }
};

/// Rows of cells from A1; texts by default.
using FixtureSheet = QList<QList<FixtureCell>>;
using FixtureBook = QList<FixtureSheet>;

/// What a sheet has beyond its cells.
struct FixtureLook {
    bool protectedSheet = false;
    bool hiddenSheet = false;
    QList<int> hiddenRows, hiddenColumns;
    /// Rectangles drawn over the cells: {column, row, columns wide, rows high}.
    QList<QList<int>> drawings;
};

/// A grid of what each cell shows, from A1 to the end of the used area.
using ShownSheet = QList<QStringList>;

class SheetFixture {
public:
    explicit SheetFixture(OfficeConnection& office) : m_office(office) { }

    /// Writes the book; the format follows the extension (.ods, .fods, .ots,
    /// .xls, .xlsx, .xlsm, .csv). A macro is the source of a VBA module of
    /// the document.
    void write(const QString& path, const FixtureBook& book, const QList<FixtureLook>& looks = {},
               const QString& macro = {});
    /// Texts only, many cells quickly: each sheet's rows are written in one call
    /// (an empty text leaves its cell empty). As formulas, each text is read
    /// as typed: "=A1" a formula, "5" a number.
    /// With a password the file can be opened only with it.
    void writeTexts(const QString& path, const QList<QList<QStringList>>& sheets, const QString& password = {},
                    bool asFormulas = false);

    /// A few texts at given places: {sheet, column, row, text}.
    struct Placed {
        int sheet, column, row;
        QString text;
    };
    void writePlaced(const QString& path, const QList<Placed>& cells);

    QList<ShownSheet> read(const QString& path);
    /// Everything the tests compare of each cell of the used area:
    /// "shown | formula | number format | note | merged", and a last row
    /// "drawings: N".
    QList<ShownSheet> describe(const QString& path);

    /// Each cell of the used area: "filled" (it has content), "marked" (its
    /// background has the colour), both or neither.
    QList<ShownSheet> marks(const QString& path, quint32 colour);

    /// Empties the repeats the plain way: every cell of the used area that
    /// is in the scope (all when none is given) visited in order, its String
    /// read at its turn and compared by its key, each repeat emptied at once
    /// on its own (contents, formats and notes; drawings stay). A formula that
    /// shows the office's error for content it may not fetch counts as
    /// nothing. Stores the result to `to`; gives how many repeats could not
    /// be emptied, and how many formulas counted as nothing.
    struct Literal {
        int kept = 0, unserved = 0;
    };
    Literal emptyRepeatsOneByOne(const QString& from, const QString& to,
                                 const std::function<bool(int row, int column)>& inScope = {},
                                 Match match = Match::Exact);

    /// Loads the file hidden and stores it unchanged to another path, in the
    /// format its extension names.
    void loadAndStore(const QString& from, const QString& to);

    /// One file of a package (an .ods or .xlsx is a zip archive), as stored:
    /// what a document stored, which loading it might compute anew.
    QByteArray packagePart(const QString& path, const QString& part);

private:
    OfficeConnection& m_office;
};
