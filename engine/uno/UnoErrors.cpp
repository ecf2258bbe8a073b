#include "UnoErrors.h"

#include "UnoValues.h"

#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/uno/Exception.hpp>
#include <com/sun/star/uno/RuntimeException.hpp>
#include <cppuhelper/exc_hlp.hxx>

#include <QString>

namespace uno_errors {

static std::string describe(const css::uno::Exception& e)
{
    const css::uno::Any caught = cppu::getCaughtException();
    QString text = uno_office::toQString(e.Message);
    if (text.isEmpty())
        text = uno_office::toQString(caught.getValueTypeName());
    return text.toStdString();
}

void translate(const Link& link)
{
    switch (link.watch ? link.watch->fired() : CallWatch::Fired::No) {
    case CallWatch::Fired::Overran:
        throw office::Gone(QString("The office did not answer within %1 seconds and was ended")
                               .arg(link.watch->limit().count() / 1000.0)
                               .toStdString());
    case CallWatch::Fired::OverMemory:
        throw office::Gone(QString("Given up: the office needed more than %1 MB of memory for the file")
                               .arg(link.watch->memoryCap() >> 20)
                               .toStdString());
    case CallWatch::Fired::Aborted: throw office::Gone("The program is ending");
    case CallWatch::Fired::No: break;
    }
    try {
        throw;
    } catch (const css::lang::DisposedException& e) {
        throw office::Gone(describe(e));
    } catch (const css::uno::RuntimeException& e) {
        // A broken bridge shows as a plain runtime error; the process tells.
        if (!link.alive())
            throw office::Gone(describe(e));
        throw office::Error(describe(e));
    } catch (const css::uno::Exception& e) {
        throw office::Error(describe(e));
    } catch (const std::exception& e) {
        throw office::Error(e.what());
    }
}

} // namespace uno_errors
