#pragma once
// The engine's document over UNO: a thin adapter that opens a document and
// hands its work to the sheet-text reader, the range emptier and the undo
// steps. Internal to the office layer.

#include "Office.h"
#include "UnoErrors.h"

#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/uno/Reference.hxx>

#include <memory>

namespace uno_office {

/// As office::Office::open(), with the office's loader.
std::shared_ptr<office::Document> open(const css::uno::Reference<css::frame::XComponentLoader>& loader,
                                       const QString& url, const uno_errors::Link& link);

} // namespace uno_office
