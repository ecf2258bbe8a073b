#include "SheetText.h"

#include "OfficeRuns.h"
#include "UnoValues.h"

#include <com/sun/star/frame/XStorable.hpp>

#include <QDir>
#include <QUrl>

using namespace css;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace {

// The text filter's options, in its order.
QString filterOptions(SheetText::Content content, int sheetNumber)
{
    constexpr int Comma = 44, DoubleQuote = 34, Utf8 = 76, FromLine = 1, Default = 0;
    const bool asShown = content == SheetText::AsShown;
    return QStringList{QString::number(Comma),
                       QString::number(DoubleQuote),
                       QString::number(Utf8),
                       QString::number(FromLine),
                       QString(), // each column's format: standard
                       QString::number(Default), // language
                       "true", // every text quoted: "" tells an empty text from no cell
                       "true", // numbers recognised
                       asShown ? "true" : "false", // cells as shown
                       asShown ? "false" : "true", // formulas as written
                       "false", // blanks kept
                       QString::number(sheetNumber == 0 ? -1 : sheetNumber)} // -1: each sheet a file
        .join(',');
}

} // namespace

SheetText::SheetText(Reference<lang::XComponent> document, uno_errors::Link link)
    : m_document(std::move(document)), m_link(std::move(link))
{
}

QString SheetText::write(const QString& name, Content content, int sheetNumber, bool fresh)
{
    if (!m_scratch)
        m_scratch = std::make_unique<QTemporaryDir>(office_runs::folderTemplate("scratch"));
    if (!m_scratch->isValid())
        throw office::Error("No folder for the sheet's text: " + m_scratch->errorString().toStdString());
    const QString folder = m_scratch->filePath(name);
    if (fresh) {
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
    }
    uno_errors::guarded(m_link, [&] {
        Reference<frame::XStorable>(m_document, UNO_QUERY_THROW)
            ->storeToURL(uno_office::toOUString(QUrl::fromLocalFile(folder + "/text.csv").toString(QUrl::FullyEncoded)),
                         uno_office::toSequence({{"FilterName", QString("Text - txt - csv (StarCalc)")},
                                                 {"FilterOptions", filterOptions(content, sheetNumber)}}));
    });
    return folder;
}

QString SheetText::sheetAsShown(int sheetIndex)
{
    const QString folder = write(QString::number(sheetIndex + 1), AsShown, sheetIndex + 1);
    const QStringList written = QDir(folder).entryList(QDir::Files);
    if (written.size() != 1)
        throw office::Error("The sheet's text was not written");
    return folder + '/' + written[0];
}
