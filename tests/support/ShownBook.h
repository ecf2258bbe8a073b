#pragma once
// What a real office's file shows, in the form the in-memory office's books take.

#include "FakeOffice.h"
#include "SheetFixture.h"

/// Trailing empty cells and rows dropped, as the used area may keep them.
inline FakeBook trimmed(const QList<ShownSheet>& sheets)
{
    FakeBook book;
    for (ShownSheet rows : sheets) {
        for (QStringList& row : rows)
            while (!row.isEmpty() && row.last().isEmpty())
                row.removeLast();
        while (!rows.isEmpty() && rows.last().isEmpty())
            rows.removeLast();
        book << rows;
    }
    return book;
}
