#pragma once
// Start-up pieces that the main window's load order calls.

#include "Host.h"

#include <QString>

namespace StartUp {

inline constexpr const char* ProductName = "Cellwinnow";

/// The caption of boxes that name none: the product name cut at its last
/// blank, then again while longer than 40 characters. A name without a blank
/// is the title as it stands.
QString AppTitleFor(const QString& productName);
void SetAppTitle(Host& host);

} // namespace StartUp
