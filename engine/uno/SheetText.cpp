#include "SheetText.h"

#include "OfficeRuns.h"
#include "UnoObjects.h"

#include <com/sun/star/frame/XStorable.hpp>

#include <QDir>
#include <QUrl>

using namespace css;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

SheetText::SheetText(Reference<lang::XComponent> document, uno_errors::Link link)
    : m_document(std::move(document)), m_link(std::move(link))
{
}

QString SheetText::write(const QString& name, bool asFormulas, int sheetNumber, bool fresh)
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
        const QString options = QString("44,34,76,1,,0,true,true,%1,%2,false,%3")
                                    .arg(asFormulas ? "false" : "true", asFormulas ? "true" : "false")
                                    .arg(sheetNumber == 0 ? -1 : sheetNumber);
        Reference<frame::XStorable>(m_document, UNO_QUERY_THROW)
            ->storeToURL(uno_office::toOUString(QUrl::fromLocalFile(folder + "/text.csv").toString(QUrl::FullyEncoded)),
                         uno_office::toSequence({{"FilterName", QString("Text - txt - csv (StarCalc)")},
                                                 {"FilterOptions", options}}));
    });
    return folder;
}

QString SheetText::sheetAsShown(int sheetIndex)
{
    const QString folder = write(QString::number(sheetIndex + 1), false, sheetIndex + 1);
    const QStringList written = QDir(folder).entryList(QDir::Files);
    if (written.size() != 1)
        throw office::Error("The sheet's text was not written");
    return folder + '/' + written[0];
}
