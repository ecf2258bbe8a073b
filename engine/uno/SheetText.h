#pragma once
// A document's sheets as comma-separated text: the office writes them (comma,
// double quote, UTF-8, every text quoted, no trimming), as shown or as
// formulas, into a scratch folder of the run's, a sheet in milliseconds where
// reading it cell by cell takes a round trip a cell. CsvText::readShaped()
// reads them back.

#include "UnoErrors.h"

#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/uno/Reference.hxx>

#include <QString>
#include <QTemporaryDir>

#include <memory>

class SheetText {
public:
    SheetText(css::uno::Reference<css::lang::XComponent> document, uno_errors::Link link);

    enum Content { AsShown, AsFormulas };
    /// Writes into the scratch folder's folder `name`, emptied first unless
    /// its files are to be written over; sheet number 0 means every sheet,
    /// each into a file named after its sheet. Gives the folder.
    QString write(const QString& name, Content content, int sheetNumber, bool fresh = true);
    /// One sheet (0-based) as shown: the path of the file that holds it.
    QString sheetAsShown(int sheetIndex);

private:
    css::uno::Reference<css::lang::XComponent> m_document;
    uno_errors::Link m_link;
    std::unique_ptr<QTemporaryDir> m_scratch;
};
