#include "FakeOffice.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMap>
#include <QRegularExpression>
#include <QUrl>

namespace {

using Cells = QMap<std::pair<int, int>, QString>; // (row, column) -> text

struct FakeDocument;

QString describe(const office::PropertyValues& values)
{
    QStringList parts;
    for (const auto& v : values)
        parts << v.name + '=' + v.value.toString();
    return parts.join(',');
}

// The column of letters, worked out here independently of the engine.
int columnOf(const QString& letters)
{
    int n = 0;
    for (QChar c : letters)
        n = n * 26 + (c.unicode() - 'A' + 1);
    return n - 1;
}

class Cell : public office::Cell {
public:
    Cell(FakeOffice& office, Cells& cells, int column, int row) : office(office), cells(cells), column(column), row(row)
    {
    }
    QString string() override
    {
        office.enter("string");
        return cells.value({row, column});
    }
    FakeOffice& office;
    Cells& cells;
    int column, row;
};

class Cursor : public office::CellCursor {
public:
    Cursor(FakeOffice& office, Cells& cells) : office(office), cells(cells) { }
    void gotoEndOfUsedArea(bool) override { office.enter("gotoEndOfUsedArea"); }
    office::RangeAddress rangeAddress() override
    {
        office.enter("rangeAddress");
        office::RangeAddress a;
        for (auto it = cells.begin(); it != cells.end(); ++it) {
            a.endRow = std::max(a.endRow, it.key().first);
            a.endColumn = std::max(a.endColumn, it.key().second);
        }
        return a;
    }
    FakeOffice& office;
    Cells& cells;
};

class Sheet : public office::Sheet {
public:
    Sheet(FakeOffice& office, Cells& cells) : office(office), cells(cells) { }
    std::unique_ptr<office::Cell> cellByPosition(int column, int row) override
    {
        office.enter("cellByPosition");
        return std::make_unique<Cell>(office, cells, column, row);
    }
    std::unique_ptr<office::CellCursor> createCursorByRange(office::Cell&) override
    {
        office.enter("createCursorByRange");
        return std::make_unique<Cursor>(office, cells);
    }
    FakeOffice& office;
    Cells& cells;
};

class Frame : public office::Frame {
public:
    explicit Frame(FakeDocument& document) : document(document) { }
    FakeDocument& document;
};

struct FakeDocument : office::Document, office::Controller, std::enable_shared_from_this<FakeDocument> {
    FakeDocument(FakeOffice& office, QList<Cells> sheets) : office(office), sheets(std::move(sheets)) { }

    std::shared_ptr<office::Controller> currentController() override
    {
        office.enter("currentController");
        return shared_from_this();
    }
    std::shared_ptr<office::Frame> frame() override
    {
        office.enter("frame");
        return std::make_shared<Frame>(*this);
    }
    int sheetCount() override
    {
        office.enter("sheetCount");
        return int(sheets.size());
    }
    std::unique_ptr<office::Sheet> sheetByIndex(int index) override
    {
        office.enter("sheetByIndex");
        if (index < 0 || index >= sheets.size())
            throw office::Error("No such sheet");
        return std::make_unique<Sheet>(office, sheets[index]);
    }
    void storeToUrl(const QString& url, const office::PropertyValues& properties) override
    {
        office.enter("storeToUrl");
        office.log << "storeToUrl " + url + ' ' + describe(properties);
        FakeBook book;
        for (const Cells& cells : sheets) {
            QList<QStringList> rows;
            for (auto it = cells.begin(); it != cells.end(); ++it) {
                const auto [r, c] = it.key();
                while (rows.size() <= r)
                    rows << QStringList();
                while (rows[r].size() <= c)
                    rows[r] << QString();
                rows[r][c] = it.value();
            }
            book << rows;
        }
        FakeOffice::writeBook(QUrl(url).toLocalFile(), book);
    }
    void close(bool) override
    {
        office.enter("close");
        closed = true;
    }
    QList<office::ShownCell> shownTexts(int sheetIndex) override
    {
        office.enter("shownTexts");
        QList<office::ShownCell> shown;
        const Cells& cells = sheets.at(sheetIndex); // keyed (row, column): row by row already
        for (auto it = cells.begin(); it != cells.end(); ++it)
            shown << office::ShownCell{it.key().second, it.key().first, it.value()};
        return shown;
    }
    void clearRanges(int sheetIndex, const QList<office::RangeAddress>& ranges) override
    {
        office.enter("clearRanges");
        QStringList described;
        for (const office::RangeAddress& a : ranges) {
            described << QString("%1,%2:%3,%4").arg(a.startColumn).arg(a.startRow).arg(a.endColumn).arg(a.endRow);
            for (int r = a.startRow; r <= a.endRow; ++r)
                for (int c = a.startColumn; c <= a.endColumn; ++c)
                    sheets[sheetIndex].remove({r, c});
        }
        office.log << QString("clearRanges %1 ").arg(sheetIndex) + described.join(' ');
    }

    void dispatch(const QString& command, const office::PropertyValues& arguments)
    {
        const QVariant value = arguments.isEmpty() ? QVariant() : arguments[0].value;
        if (command == ".uno:JumpToTable") {
            currentSheet = value.toInt() - 1;
        } else if (command == ".uno:GoToCell") {
            static const QRegularExpression address(R"(^\$([A-Z]+)\$(\d+)$)");
            const auto m = address.match(value.toString());
            if (!m.hasMatch())
                throw office::Error("Bad address");
            currentCell = {m.captured(2).toInt() - 1, columnOf(m.captured(1))};
        } else if (command == ".uno:Delete" && value.toString() == "A") {
            if (currentSheet >= 0 && currentSheet < sheets.size())
                sheets[currentSheet].remove(currentCell);
        }
    }

    FakeOffice& office;
    QList<Cells> sheets;
    int currentSheet = 0;
    std::pair<int, int> currentCell{0, 0};
    bool closed = false;
};

class DispatchHelper : public office::DispatchHelper {
public:
    explicit DispatchHelper(FakeOffice& office) : office(office) { }
    void executeDispatch(office::Frame& frame, const QString& command, const QString& target, int flags,
                         const office::PropertyValues& arguments) override
    {
        office.enter("executeDispatch");
        office.enter(command);
        office.log << command + ' ' + describe(arguments);
        if (!target.isEmpty() || flags != 0)
            throw office::Error("Unexpected dispatch target");
        static_cast<Frame&>(frame).document.dispatch(command, arguments);
    }
    FakeOffice& office;
};

class Desktop : public office::Desktop {
public:
    explicit Desktop(FakeOffice& office) : office(office) { }
    std::shared_ptr<office::Document> loadComponentFromUrl(const QString& url, const QString& target, int flags,
                                                           const office::PropertyValues& arguments) override
    {
        office.enter("loadComponentFromUrl");
        office.log << "loadComponentFromUrl " + url + ' ' + target + ' ' + QString::number(flags) + ' '
                + describe(arguments);
        const QString path = QUrl(url).toLocalFile();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw office::Error("Cannot open " + path.toStdString());
        QJsonParseError error;
        const QJsonDocument json = QJsonDocument::fromJson(file.readAll(), &error);
        if (error.error != QJsonParseError::NoError || !json.isArray())
            throw office::Error("General input/output error");
        QList<Cells> sheets;
        for (const QJsonValue& sheet : json.array()) {
            Cells cells;
            const QJsonArray rows = sheet.toArray();
            for (int r = 0; r < rows.size(); ++r) {
                const QJsonArray row = rows[r].toArray();
                for (int c = 0; c < row.size(); ++c)
                    if (!row[c].toString().isEmpty())
                        cells[{r, c}] = row[c].toString();
            }
            sheets << cells;
        }
        return std::make_shared<FakeDocument>(office, sheets);
    }
    FakeOffice& office;
};

class ServiceManager : public office::ServiceManager {
public:
    explicit ServiceManager(FakeOffice& office) : office(office) { }
    std::shared_ptr<office::Desktop> desktop() override
    {
        office.enter("desktop");
        return std::make_shared<Desktop>(office);
    }
    std::shared_ptr<office::DispatchHelper> dispatchHelper() override
    {
        office.enter("dispatchHelper");
        return std::make_shared<DispatchHelper>(office);
    }
    FakeOffice& office;
};

} // namespace

void FakeOffice::writeBook(const QString& path, const FakeBook& book)
{
    QJsonArray sheets;
    for (const auto& sheet : book) {
        QJsonArray rows;
        for (const QStringList& row : sheet)
            rows << QJsonArray::fromStringList(row);
        sheets << rows;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw office::Error("Cannot write " + path.toStdString());
    file.write(QJsonDocument(sheets).toJson(QJsonDocument::Compact));
}

FakeBook FakeOffice::readBook(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    FakeBook book;
    for (const QJsonValue& sheet : QJsonDocument::fromJson(file.readAll()).array()) {
        QList<QStringList> rows;
        for (const QJsonValue& row : sheet.toArray()) {
            QStringList cells;
            for (const QJsonValue& cell : row.toArray())
                cells << cell.toString();
            while (!cells.isEmpty() && cells.last().isEmpty())
                cells.removeLast();
            rows << cells;
        }
        while (!rows.isEmpty() && rows.last().isEmpty())
            rows.removeLast();
        book << rows;
    }
    return book;
}

void FakeOffice::failAt(const QString& operation, int nth, bool loseOffice)
{
    m_failures[operation] = {nth, loseOffice};
}

void FakeOffice::enter(const QString& operation)
{
    if (gone)
        throw office::Gone("Binary URP bridge disposed during call");
    auto it = m_failures.find(operation);
    if (it == m_failures.end())
        return;
    ++it->count;
    if (it->nth != 0 && it->count != it->nth)
        return;
    if (it->gone) {
        gone = true;
        throw office::Gone("Binary URP bridge disposed during call");
    }
    throw office::Error(("Injected failure of " + operation).toStdString());
}

std::shared_ptr<office::ServiceManager> FakeOffice::serviceManager()
{
    if (gone || starts == 0) { // a lost office is replaced by a fresh one
        gone = false;
        ++starts;
    }
    enter("serviceManager");
    return std::make_shared<ServiceManager>(*this);
}
