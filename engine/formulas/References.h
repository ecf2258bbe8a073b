#pragma once
// What a formula reads, as the office writes it ("=SUM(A1:B2)"): the ranges
// of its own sheet and of sheets it names, and whether that is all it may
// read. Anything not understood counts as reading anything.

#include "Cell.h"

#include <QList>
#include <QString>

namespace formulas {

struct SheetRange {
    QString sheet;
    Range range;
    bool operator==(const SheetRange&) const = default;
};

/// Not plain when it may read anything else: a name, a function whose result
/// is not its arguments', a range across sheets.
struct Parsed {
    bool plain = false;
    QList<Range> ranges;
    QList<SheetRange> elsewhere;
};
Parsed parse(const QString& formula);

/// The ranges of its own sheet a formula reads; false when it may read
/// anything else (another sheet included).
bool references(const QString& formula, QList<Range>& ranges);

} // namespace formulas
