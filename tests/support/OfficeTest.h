#pragma once
// What the tests against the real office start from: an office of their own,
// the sheet fixture on it, and empty input and results folders for each test.
// A machine without the office fails the run rather than passing nothing.

#include "OfficeConnection.h"
#include "SheetFixture.h"
#include "WorkFolders.h"

#include <QObject>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

/// Starts the office when none runs: the reason it cannot, or nothing. A
/// test compares it with nothing, so that the reason fails the test instead
/// of escaping it.
inline QString whyNoOffice(OfficeConnection& office)
{
    try {
        office.start();
        return {};
    } catch (const office::Error& e) {
        return QString::fromStdString(e.what());
    }
}

class OfficeTest : public QObject {
    Q_OBJECT

protected:
    /// The office (with these options) and the fixture on it; false when no office is installed.
    bool startOffice(const OfficeConnection::Options& options = {})
    {
        if (OfficeConnection::findSoffice().isEmpty())
            return false;
        office = std::make_unique<OfficeConnection>(options);
        fixture = std::make_unique<SheetFixture>(*office);
        return true;
    }
    static constexpr const char* NoOffice = "No office installed: run scripts/install-deps.sh";

    QTemporaryDir dir;
    QString in, out;
    std::unique_ptr<OfficeConnection> office;
    std::unique_ptr<SheetFixture> fixture;

private slots:
    // A test case that needs other options declares its own.
    void initTestCase() { QVERIFY2(startOffice(), NoOffice); }
    void init() { QVERIFY(freshFolders(dir, in, out)); }
};
