#include "UndoSteps.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/document/XUndoManagerSupplier.hpp>

using namespace css;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

UndoSteps::UndoSteps(Reference<lang::XComponent> document, uno_errors::Link link)
    : m_document(std::move(document)), m_link(std::move(link))
{
}

void UndoSteps::keep(bool on)
{
    m_steps.clear();
    m_kept = false;
    uno_errors::guarded(m_link, [&] {
        Reference<beans::XPropertySet>(m_document, UNO_QUERY_THROW)->setPropertyValue("IsUndoEnabled", uno::Any(on));
        if (on && !m_manager.is())
            m_manager = Reference<document::XUndoManagerSupplier>(m_document, UNO_QUERY_THROW)->getUndoManager();
    });
    m_kept = on;
}

int UndoSteps::recorded()
{
    return uno_errors::guarded(m_link, [&] { return int(m_manager->getAllUndoActionTitles().getLength()); });
}

void UndoSteps::step(const std::function<void()>& emptying)
{
    if (!m_kept) {
        emptying();
        return;
    }
    const int before = recorded();
    uno_errors::guarded(m_link, [&] { m_manager->enterUndoContext("Cellwinnow"); });
    try {
        emptying();
    } catch (...) {
        try {
            uno_errors::guarded(m_link, [&] { m_manager->leaveUndoContext(); });
            m_steps << (recorded() > before);
        } catch (...) {
            m_kept = false; // what could be taken back is no longer known
        }
        throw;
    }
    uno_errors::guarded(m_link, [&] { m_manager->leaveUndoContext(); });
    m_steps << (recorded() > before);
}

void UndoSteps::takeBack(int steps)
{
    if (!m_kept || steps > m_steps.size())
        throw office::Error("Nothing can be taken back");
    for (; steps > 0; --steps)
        if (m_steps.takeLast())
            uno_errors::guarded(m_link, [&] { m_manager->undo(); });
}
