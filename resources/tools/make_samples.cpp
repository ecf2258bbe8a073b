// Writes the sample spreadsheets of resources/Samples through the office:
//   build/make_samples resources/Samples

#include "OfficeConnection.h"
#include "SheetFixture.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

namespace {

using C = FixtureCell;

QList<C> row(std::initializer_list<QString> texts)
{
    QList<C> cells;
    for (const QString& t : texts)
        cells << C::ofText(t);
    return cells;
}

// A contact list where companies, cities and roles repeat.
FixtureBook contacts()
{
    const QStringList companies = {"Northwind Traders", "Blue Heron Ltd",    "Contoso Farms",  "Blue Heron Ltd",
                                   "Alder & Finch",     "Northwind Traders", "Contoso Farms",  "Northwind Traders",
                                   "Quillon Press",     "Alder & Finch",     "Blue Heron Ltd", "Quillon Press"};
    const QStringList people = {"Ada Marsh",  "Ben Ortiz", "Chloe Vance", "Dev Patel", "Elin Berg", "Farid Aziz",
                                "Greta Holm", "Hugo Lind", "Ines Costa",  "Jon Reyes", "Kaia Moe",  "Liam Shaw"};
    const QStringList cities
        = {"Leeds", "Bristol", "York", "Bristol", "Leeds", "Leeds", "York", "Hull", "Bath", "Leeds", "Bristol", "Bath"};
    const QStringList roles = {"Buyer", "Manager", "Buyer",  "Clerk", "Manager", "Buyer",
                               "Clerk", "Buyer",   "Editor", "Clerk", "Buyer",   "Editor"};
    FixtureSheet sheet = {row({"Name", "Company", "City", "Role", "Phone"})};
    for (int i = 0; i < people.size(); ++i)
        sheet << (row({people[i], companies[i], cities[i], roles[i]})
                  << C::ofText(QString("0113 496 %1").arg(1000 + i * 37)));
    return {sheet};
}

// Three quarters of stock counts: items repeat from sheet to sheet.
FixtureBook inventory()
{
    FixtureBook book;
    const QList<QStringList> quarters = {
        {"Bolts M6", "Washers", "Hinges", "Brackets", "Screws 4x40"},
        {"Washers", "Hinges", "Cable ties", "Bolts M6", "Wall plugs"},
        {"Hinges", "Wall plugs", "Brackets", "Sandpaper", "Washers"},
    };
    int count = 120;
    for (const QStringList& items : quarters) {
        FixtureSheet sheet = {row({"Item", "Count", "Shelf"})};
        for (const QString& item : items) {
            sheet << QList<C>{C::ofText(item), C::ofNumber(count), C::ofText(count % 3 ? "A" : "B")};
            count = (count * 7) % 230 + 15;
        }
        book << sheet;
    }
    return book;
}

// One column of survey answers, many alike, beside dates of entry.
FixtureBook survey()
{
    const QStringList answers
        = {"Yes", "No", "Yes", "Not sure", "Yes", "No", "Prefer not to say", "Yes", "Not sure", "No", "Yes", "Yes"};
    FixtureSheet sheet = {row({"Entered", "Answer"})};
    for (int i = 0; i < answers.size(); ++i)
        sheet << QList<C>{C::ofNumber(45292 + i * 3, "YYYY-MM-DD"), C::ofText(answers[i])};
    return {sheet};
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString folder = argc > 1 ? argv[1] : "resources/Samples";
    QDir().mkpath(folder);
    OfficeConnection office;
    SheetFixture fixture(office);
    fixture.write(folder + "/Contacts.ods", contacts());
    fixture.write(folder + "/Inventory by quarter.ods", inventory());
    fixture.write(folder + "/Survey answers.ods", survey());
    std::printf("Samples written to %s\n", qPrintable(folder));
    return 0;
}
