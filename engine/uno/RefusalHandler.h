#pragma once
// The office asks questions while it loads a document (a password, whether
// to repair a damaged file, what to do about an error): nobody is there to
// answer, so each is answered no, and why it was asked is kept to tell the
// user why the file could not be opened.

#include "Office.h"

#include <com/sun/star/task/XInteractionHandler.hpp>
#include <cppuhelper/implbase1.hxx>

#include <mutex>

class RefusalHandler : public cppu::WeakImplHelper1<css::task::XInteractionHandler> {
public:
    /// Called on a thread of the bridge's.
    void SAL_CALL handle(const css::uno::Reference<css::task::XInteractionRequest>& request) override;
    /// The first question's reason that tells something; Unknown when none did.
    office::Refusal refusal() const;

private:
    mutable std::mutex m_mutex;
    office::Refusal m_refusal = office::Refusal::Unknown;
};
