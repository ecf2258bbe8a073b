#pragma once
// An in-memory office for testing the engine's own logic. Its "files" are JSON
// texts of sheets of rows of cell texts; "=B2" is a formula showing what B2
// shows ("0" when it is empty). It logs every call, and any named operation
// can be told to fail, or to lose the office altogether.

#include "Office.h"

#include <QHash>
#include <QList>
#include <QStringList>

/// Sheets of rows of cell texts ("" is an empty cell).
using FakeBook = QList<QList<QStringList>>;

class FakeOffice : public office::Provider {
public:
    static void writeBook(const QString& path, const FakeBook& book);
    /// Rows are trimmed of trailing empty cells, sheets of trailing empty rows.
    static FakeBook readBook(const QString& path);

    /// The nth call (1-based; 0 = every call) of the operation throws. An
    /// operation is a method name ("cellByPosition", "storeToUrl" ...) or, for
    /// dispatches, the command (".uno:Delete"). With gone, the office is lost:
    /// every later call fails too, until the next serviceManager().
    void failAt(const QString& operation, int nth = 1, bool gone = false);

    std::shared_ptr<office::ServiceManager> serviceManager() override;

    /// Each call as "name arguments", e.g. ".uno:GoToCell ToPoint=$B$3".
    QStringList log;
    /// How often an office was started (a lost one is replaced).
    int starts = 0;
    bool gone = false;

    // What the objects below call on every operation.
    void enter(const QString& operation);

private:
    struct Failure {
        int nth;
        bool gone;
        int count = 0;
    };
    QHash<QString, Failure> m_failures;
};
