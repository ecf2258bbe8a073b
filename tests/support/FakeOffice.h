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

class FakeOffice : public office::Office {
public:
    static void writeBook(const QString& path, const FakeBook& book);
    /// Rows are trimmed of trailing empty cells, sheets of trailing empty rows.
    static FakeBook readBook(const QString& path);

    /// The nth call (1-based; 0 = every call) of the operation throws. An
    /// operation is a method name ("open", "readCells", "store" ...). With
    /// gone, the office is lost: every later call fails too, until the next
    /// start().
    void failAt(const QString& operation, int nth = 1, bool gone = false);

    void start() override;
    std::shared_ptr<office::Document> open(const QString& url) override;
    void restart() override;
    void shutdown() override { ended = true; }
    void abort() override { ended = true; }
    qint64 residentBytes() const override { return -1; }
    /// How often an office was started (a lost one is replaced).
    int starts() const override { return m_starts; }

    /// Each call as "name arguments", e.g. "store file:///out/a.sxw".
    QStringList log;
    bool gone = false;
    bool ended = false;
    /// Calls made of a lost office.
    int callsAfterLoss = 0;

    // What the objects below call on every operation.
    void enter(const QString& operation);

private:
    struct Failure {
        int nth;
        bool gone;
        int count = 0;
    };
    QHash<QString, Failure> m_failures;
    int m_starts = 0;
};
