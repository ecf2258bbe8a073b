// A check: the formulas not decided are read under the last walk's guesses.
// The cells it takes for repeats that formulas read are emptied, but for the
// formulas of the colour being read, and taken back after each reading. A
// formula's colour is one that no formula it reads (other than through one
// emptied) has. Formulas that read a later cell or may read anything are read
// as the sheet is, with those the colours cannot tell.
#include "GuessAndCheck.h"

namespace Calc1 {

bool GuessAndCheck::guessedIn(const Item& x, int view)
{
    return view > 0
        && (x.inCheck == InCheck::Emptied || (x.inCheck == InCheck::ButColour && x.colour != view));
}

// Readings of a check hold only for the walk right after it.
void GuessAndCheck::forgetChecks()
{
    if (m_views == 1)
        return;
    for (Item& x : m_items) {
        if (x.view > 0 && x.open())
            x.readAt.reset();
        x.view = 0;
        x.inCheck = InCheck::Stays;
    }
    m_views = 1;
}

GuessAndCheck::Checked GuessAndCheck::check(qsizetype blockedFrom)
{
    if (m_noChecks)
        return Checked::Nothing;
    const qsizetype end = blockedFrom < 0 ? m_items.size() : blockedFrom;
    if (!chooseGuesses(end))
        return Checked::Nothing;
    const QList<QList<qsizetype>> toRead = colourFormulas();
    const bool wasRecording = m_undo.recording();
    if (!m_undo.dropLeft())
        return Checked::Lost;
    if (!wasRecording && !m_undo.record()) {
        m_noChecks = true;
        return Checked::Failed;
    }
    // What the last colour's reading emptied stays while the office recorded
    // before the check: when the walk after it decides every cell, it is the
    // repeats' emptying.
    qsizetype last = toRead.size() - 1;
    while (last > 0 && toRead[last].isEmpty())
        --last;
    Checked checked = Checked::Done;
    for (int colour = 1; colour <= last && checked == Checked::Done; ++colour)
        if (!toRead[colour].isEmpty())
            checked = readColour(colour, toRead[colour], end, colour == last && wasRecording);
    if (checked == Checked::Lost || (!wasRecording && !m_undo.stopRecording()))
        return Checked::Lost;
    // A check the office failed is not tried again (one report is enough):
    // the rounds go on without, or stall and go the exact way.
    if (checked == Checked::Failed) {
        m_views = std::max(m_views, 2);
        forgetChecks();
    }
    return checked;
}

// The guesses before `end` that formulas read and that no emptying holds; a
// formula's colour is still to be found. False when there are none.
bool GuessAndCheck::chooseGuesses(qsizetype end)
{
    bool any = false;
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        Item& x = m_items[i];
        x.inCheck = InCheck::Stays;
        if (i < end && x.open() && x.guess && x.batch == 0 && !x.kept && x.read) {
            x.inCheck = x.formula ? InCheck::ButColour : InCheck::Emptied;
            x.colour = FormulaGraph::MaxViews;
            any = true;
        }
    }
    return any;
}

// The formulas to read, by colour (1 on).
QList<QList<qsizetype>> GuessAndCheck::colourFormulas()
{
    m_graph.newColouring([&](int position) {
        const Item& y = m_items[position];
        if (y.batch > 0 || y.inCheck == InCheck::Emptied)
            return -1;
        return y.inCheck == InCheck::ButColour ? y.colour : 0;
    });
    QList<QList<qsizetype>> toRead(FormulaGraph::MaxViews);
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        Item& x = m_items[i];
        if (!x.formula || !x.open() || x.batch > 0)
            continue;
        const qint64 read = x.reaches ? -1 : m_graph.coloursRead(x.key);
        int colour = 1;
        while (read >= 0 && colour < FormulaGraph::MaxViews && (read & (qint64(1) << colour)))
            ++colour;
        if (read < 0 || colour >= FormulaGraph::MaxViews) {
            if (x.inCheck == InCheck::ButColour)
                x.inCheck = InCheck::Stays; // left as it is in every view
            continue;
        }
        if (x.inCheck == InCheck::ButColour)
            x.colour = colour;
        toRead[colour] << i;
    }
    return toRead;
}

// Reads the formulas of one colour with the other guesses before `end`
// emptied; `leave`: what it empties stays, for the walk after it.
GuessAndCheck::Checked GuessAndCheck::readColour(int colour, const QList<qsizetype>& formulas, qsizetype end,
                                                 bool leave)
{
    QList<qsizetype> layer;
    for (qsizetype i = 0; i < end; ++i)
        if (guessedIn(m_items[i], colour))
            layer << i;
    QList<office::CellAt> cells;
    for (qsizetype i : formulas)
        cells << office::CellAt{m_items[i].column, m_items[i].row};
    // A colour that reads no other's guesses is read as the sheet is.
    std::optional<QList<office::RangeAddress>> refused = QList<office::RangeAddress>();
    if (!layer.isEmpty())
        refused = emptyCells(layer);
    if (!refused)
        return Checked::Lost; // what the office emptied is not known
    if (leave && !layer.isEmpty())
        m_undo.leave(layer);
    QStringList texts;
    const bool read = refused->isEmpty() && c.step(c.readStep, [&] { texts = c.document.shownTexts(c.sheet, cells); })
        && texts.size() == cells.size();
    if ((!leave && !layer.isEmpty() && !m_undo.takeBackReading()) || (!read && !m_undo.dropLeft()))
        return Checked::Lost;
    ++c.reading.checks;
    // A cell the office would not empty is kept as it is: the readings of
    // this check are not used.
    forEachItemIn(*refused, [](Item& x) { x.kept = true; });
    if (!read) {
        m_noChecks = refused->isEmpty(); // the office failed, rather than kept a cell
        return Checked::Failed;
    }
    tookReadings(formulas, texts, colour);
    m_views = colour + 1;
    return Checked::Done;
}

} // namespace Calc1
