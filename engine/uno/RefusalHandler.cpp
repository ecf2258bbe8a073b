#include "RefusalHandler.h"

#include <com/sun/star/document/BrokenPackageRequest.hpp>
#include <com/sun/star/task/ErrorCodeRequest.hpp>
#include <com/sun/star/task/PasswordRequest.hpp>
#include <com/sun/star/task/XInteractionAbort.hpp>
#include <com/sun/star/task/XInteractionDisapprove.hpp>
#include <com/sun/star/ucb/InteractiveIOException.hpp>

using namespace css;

namespace {

// The office's error codes: the class of the error in bits 8 to 12.
office::Refusal ofErrorCode(sal_Int32 code)
{
    switch ((code >> 8) & 0x1f) {
    case 3: return office::Refusal::Missing; // not there
    case 5: return office::Refusal::NoAccess;
    case 7: return office::Refusal::Locked;
    case 11: // cannot be read
    case 14: // a version it does not know
    case 15: // a format
    case 17: return office::Refusal::NotSpreadsheet; // import
    default: return office::Refusal::Unknown;
    }
}

office::Refusal ofIOError(ucb::IOErrorCode code)
{
    switch (code) {
    case ucb::IOErrorCode_ACCESS_DENIED:
    case ucb::IOErrorCode_WRITE_PROTECTED: return office::Refusal::NoAccess;
    case ucb::IOErrorCode_LOCKING_VIOLATION: return office::Refusal::Locked;
    case ucb::IOErrorCode_NOT_EXISTING:
    case ucb::IOErrorCode_NOT_EXISTING_PATH: return office::Refusal::Missing;
    case ucb::IOErrorCode_WRONG_FORMAT:
    case ucb::IOErrorCode_CANT_READ: return office::Refusal::NotSpreadsheet;
    default: return office::Refusal::Unknown;
    }
}

office::Refusal reasonOf(const uno::Any& request)
{
    if (task::PasswordRequest password; request >>= password)
        return office::Refusal::Password;
    if (document::BrokenPackageRequest broken; request >>= broken)
        return office::Refusal::NotSpreadsheet;
    if (ucb::InteractiveIOException io; request >>= io)
        return ofIOError(io.Code);
    if (task::ErrorCodeRequest error; request >>= error)
        return ofErrorCode(error.ErrCode);
    return office::Refusal::Unknown;
}

} // namespace

void RefusalHandler::handle(const uno::Reference<task::XInteractionRequest>& request)
{
    const office::Refusal reason = reasonOf(request->getRequest());
    {
        const std::lock_guard lock(m_mutex);
        if (m_refusal == office::Refusal::Unknown)
            m_refusal = reason;
    }
    const auto continuations = request->getContinuations();
    for (const auto& c : continuations)
        if (uno::Reference<task::XInteractionAbort>(c, uno::UNO_QUERY).is())
            return c->select();
    for (const auto& c : continuations)
        if (uno::Reference<task::XInteractionDisapprove>(c, uno::UNO_QUERY).is())
            return c->select();
}

office::Refusal RefusalHandler::refusal() const
{
    const std::lock_guard lock(m_mutex);
    return m_refusal;
}
