#pragma once
// Workbooks made from a seed, with what makes the engine's work hard:
// formulas over formulas, over later cells and sheets, volatile and lookup
// functions, awkward number formats, merges, notes, protection, arrays and
// drawings. The same seed always gives the same workbook.

#include "SheetFixture.h"

#include <utility>

/// sheetCount 0: one to three sheets, as the seed says.
std::pair<FixtureBook, QList<FixtureLook>> generated(quint32 seed, int sheetCount = 0);
