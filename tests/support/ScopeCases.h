#pragma once
// Rows of data-driven tests run against the in-memory office and against the
// real one, with the same expectations: what each scope empties, and file
// names that a careless file URL would break.

#include "FakeOffice.h"
#include "JobSettings.h"
#include "TestSettings.h"

#include <QTest>

Q_DECLARE_METATYPE(FakeBook)
Q_DECLARE_METATYPE(Scope)

inline void addScopeCases()
{
    QTest::addColumn<FakeBook>("book");
    QTest::addColumn<Scope>("scope");
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("column");
    QTest::addColumn<FakeBook>("expected");

    const FakeBook grid = {{{"a", "b", "a"}, {"b", "c", "a"}, {"c", "a", "d"}}, {{"a", "d", "e"}, {"e", "c", "f"}}};
    QTest::newRow("entire sheet keeps the first in reading order, across sheets")
        << grid << Scope::EntireSheet << "1"
        << "A" << FakeBook{{{"a", "b"}, {"", "c"}, {"", "", "d"}}, {{"", "", "e"}, {"", "", "f"}}};
    QTest::newRow("case and trailing blank make different texts")
        << FakeBook{{{"abc", "ABC", "abc ", "abc"}}} << Scope::EntireSheet << "1"
        << "A" << FakeBook{{{"abc", "ABC", "abc "}}};
    QTest::newRow("empty cells are never counted")
        << FakeBook{{{"", "x", ""}, {"", "", "x"}}} << Scope::EntireSheet << "1"
        << "A" << FakeBook{{{"", "x"}}};
    QTest::newRow("empty sheet stays empty") << FakeBook{{}, {{"q"}}} << Scope::EntireSheet << "1"
                                             << "A" << FakeBook{{}, {{"q"}}};
    QTest::newRow("single row only in that row, across sheets")
        << FakeBook{{{"a", "a"}, {"x"}, {"p", "q", "p"}}, {{"p"}, {"x"}, {"q", "p", "r"}}} << Scope::SingleRow << "3"
        << "A" << FakeBook{{{"a", "a"}, {"x"}, {"p", "q"}}, {{"p"}, {"x"}, {"", "", "r"}}};
    QTest::newRow("single row with blanks around the number")
        << FakeBook{{{"a"}, {"p", "p"}}} << Scope::SingleRow << " 2 "
        << "A" << FakeBook{{{"a"}, {"p"}}};
    QTest::newRow("single column only in that column, across sheets")
        << FakeBook{{{"a", "b"}, {"a", "b"}, {"c", "a"}}, {{"x", "b"}}} << Scope::SingleColumn << "1"
        << "B" << FakeBook{{{"a", "b"}, {"a"}, {"c", "a"}}, {{"x"}}};
    QTest::newRow("column letters in lower case") << FakeBook{{{"x", "b"}, {"y", "b"}}} << Scope::SingleColumn << "1"
                                                  << "b" << FakeBook{{{"x", "b"}, {"y"}}};

    const FakeBook dupes = {{{"a", "a"}, {"a", "a"}}};
    for (const char* row : {"0", "-3", "2.5", "3", "99999999999", "abc", "", "1e3"})
        QTest::newRow(qPrintable(QString("row '%1' names no row of the sheet").arg(row)))
            << dupes << Scope::SingleRow << row << "A" << dupes;
    QTest::newRow("column 'a' is column A") << dupes << Scope::SingleColumn << "1"
                                            << "a" << FakeBook{{{"a", "a"}, {"", "a"}}};
    for (const char* column : {"", "C", "ZZ", "AAA", "XFD", "A1", "ÄB", "ZZZZZZZ", "XFE"})
        QTest::newRow(qPrintable(QString("column '%1' names no used column").arg(column)))
            << dupes << Scope::SingleColumn << "1" << column << dupes;
}

inline void addAwkwardNameCases()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("blank") << "a b.ods";
    QTest::newRow("hash") << "no#1.ods";
    QTest::newRow("percent") << "100%20.ods";
    QTest::newRow("non-ASCII") << "Übersicht €.ods";
}

/// The current scope row's settings.
inline TestSettings scopeSettings()
{
    QFETCH(Scope, scope);
    QFETCH(QString, row);
    QFETCH(QString, column);
    TestSettings settings;
    settings.scope = scope;
    settings.row = row;
    settings.column = column;
    return settings;
}
