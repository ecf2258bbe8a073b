#include "FakeOffice.h"

#include "Calc1.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMap>
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

struct FakeDocument : office::Document {
    FakeDocument(FakeOffice& office, QList<Cells> sheets) : office(office), sheets(std::move(sheets)) { }

    int sheetCount() override
    {
        office.enter("sheetCount");
        return int(sheets.size());
    }
    void store(const QString& url, const office::PropertyValues& properties) override
    {
        office.enter("store");
        office.log << "store " + url + ' ' + describe(properties);
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
    void close() override
    {
        office.enter("close");
        closed = true;
    }
    QString sheetName(int index) override
    {
        office.enter("sheetName");
        return QString("Sheet%1").arg(index + 1);
    }
    // A text that begins with "?" is one the office cannot tell in bulk. A
    // text "=B2" is a formula that shows what B2 shows, "0" when B2 is empty.
    void readCells(int sheetIndex, const office::RangeAddress& area,
                   const std::function<bool(const office::ShownCell&)>& cell) override
    {
        office.enter("readCells");
        const Cells cells = sheets.at(sheetIndex); // keyed (row, column): row by row already
        for (auto it = cells.begin(); it != cells.end(); ++it) {
            const auto [r, c] = it.key();
            if (r >= area.startRow && r <= area.endRow && c >= area.startColumn && c <= area.endColumn) {
                const bool known = !it.value().startsWith('?');
                if (!cell(office::ShownCell{c, r, known ? shown(sheetIndex, c, r) : QString(), known,
                                            it.value().startsWith('=')}))
                    return;
            }
        }
    }
    QString shownText(int sheetIndex, int column, int row) override
    {
        office.enter("shownText");
        return shown(sheetIndex, column, row);
    }
    std::optional<QList<office::FormulaText>> formulas(int sheetIndex) override
    {
        office.enter("formulas");
        QList<office::FormulaText> texts;
        const Cells& cells = sheets.at(sheetIndex);
        for (auto it = cells.begin(); it != cells.end(); ++it)
            if (it.value().startsWith('='))
                texts << office::FormulaText{it.key().second, it.key().first, it.value()};
        return texts;
    }
    QStringList shownTexts(int sheetIndex, const QList<office::CellAt>& cells) override
    {
        office.enter("shownTexts");
        office.log << QString("shownTexts %1").arg(cells.size());
        QStringList texts;
        for (const office::CellAt& at : cells)
            texts << shown(sheetIndex, at.column, at.row);
        return texts;
    }
    void keepUndo(bool keep) override
    {
        office.enter("keepUndo");
        undoKept = keep;
        undone.clear();
    }
    void holdRows(bool) override { office.enter("holdRows"); }
    // A marked cell is stored with a leading "*".
    void markRanges(const QList<office::RangeAddress>& ranges, quint32) override
    {
        office.enter("markRanges");
        for (const office::RangeAddress& a : ranges)
            for (int r = a.startRow; r <= a.endRow; ++r)
                for (int c = a.startColumn; c <= a.endColumn; ++c)
                    if (sheets[a.sheet].contains({r, c}))
                        sheets[a.sheet][{r, c}].prepend('*');
    }
    void takeBack(int emptyings) override
    {
        office.enter("takeBack");
        office.log << QString("takeBack %1").arg(emptyings);
        if (!undoKept || emptyings > undone.size())
            throw office::Error("Nothing can be taken back");
        for (; emptyings > 0; --emptyings)
            for (const auto& [sheet, cells] : undone.takeLast())
                for (auto it = cells.begin(); it != cells.end(); ++it)
                    sheets[sheet].insert(it.key(), it.value());
    }

    QString shown(int sheet, int column, int row) const
    {
        const QString text = sheets.at(sheet).value({row, column});
        if (text.startsWith('?'))
            return text.mid(1);
        if (!text.startsWith('='))
            return text;
        const int c = Calc1::getColumnNumber(text.mid(1, 1)) - 1, r = text.mid(2).toInt() - 1;
        const QString target = shown(sheet, c, r);
        return target.isEmpty() ? "0" : target;
    }

    // A text that begins with "!" is in a cell the office will not empty.
    QList<office::RangeAddress> emptyRanges(const QList<office::RangeAddress>& ranges,
                                            const QList<office::RangeAddress>& alone) override
    {
        office.enter("emptyRanges");
        QStringList described;
        QList<office::RangeAddress> refused;
        QList<std::pair<int, Cells>> taken;
        for (const office::RangeAddress& a : ranges + alone) {
            described << QString("%1:%2,%3:%4,%5")
                             .arg(a.sheet)
                             .arg(a.startColumn)
                             .arg(a.startRow)
                             .arg(a.endColumn)
                             .arg(a.endRow);
            Cells gone;
            for (int r = a.startRow; r <= a.endRow; ++r)
                for (int c = a.startColumn; c <= a.endColumn; ++c) {
                    if (sheets[a.sheet].value({r, c}).startsWith('!'))
                        refused << office::RangeAddress{a.sheet, c, r, c, r};
                    else if (sheets[a.sheet].contains({r, c}))
                        gone.insert({r, c}, sheets[a.sheet].take({r, c}));
                }
            taken << std::pair(a.sheet, gone);
        }
        if (undoKept)
            undone << taken;
        office.log << "emptyRanges " + described.join(' ');
        return refused;
    }

    FakeOffice& office;
    QList<Cells> sheets;
    bool closed = false;
    bool undoKept = false;
    QList<QList<std::pair<int, Cells>>> undone; // what each emptying took, while undo is kept
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
    if (gone) {
        ++callsAfterLoss;
        throw office::Gone("Binary URP bridge disposed during call");
    }
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

void FakeOffice::start()
{
    if (ended)
        throw office::Gone("The program is ending");
    if (gone || m_starts == 0) { // a lost office is replaced by a fresh one
        gone = false;
        ++m_starts;
    }
    enter("start");
}

std::shared_ptr<office::Document> FakeOffice::open(const QString& url)
{
    enter("open");
    log << "open " + url;
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
    return std::make_shared<FakeDocument>(*this, sheets);
}

void FakeOffice::restart()
{
    gone = true;
    start();
}
