#pragma once
// The UNO context of a connection, for the office layer's own tools.

#include "OfficeConnection.h"
#include "UnoErrors.h"

#include <com/sun/star/uno/Reference.hxx>
#include <com/sun/star/uno/XComponentContext.hpp>

struct OfficeConnectionAccess {
    /// Connects first when needed.
    static css::uno::Reference<css::uno::XComponentContext> remoteContext(OfficeConnection& office);
    /// For guarding calls on that context.
    static uno_errors::Link link(OfficeConnection& office);
};
