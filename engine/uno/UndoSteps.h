#pragma once
// Lets a document's emptyings be taken back: while kept, the office records
// each emptying as one step of its undo list, which costs it time and memory.
// The office keeps a hundred steps at most.

#include "UnoErrors.h"

#include <com/sun/star/document/XUndoManager.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/uno/Reference.hxx>

#include <QList>

#include <functional>

class UndoSteps {
public:
    UndoSteps(css::uno::Reference<css::lang::XComponent> document, uno_errors::Link link);

    /// Off forgets every step.
    void keep(bool on);
    /// Runs the emptying as one step, when kept.
    void step(const std::function<void()>& emptying);
    /// Takes back the last steps, the newest first.
    void takeBack(int steps);
    bool kept() const { return m_kept; }

private:
    int recorded();

    css::uno::Reference<css::lang::XComponent> m_document;
    uno_errors::Link m_link;
    css::uno::Reference<css::document::XUndoManager> m_manager;
    bool m_kept = false;
    // Whether each emptying left a step: one that changed nothing leaves none.
    QList<bool> m_steps;
};
