#pragma once
// Whether the office can be reached at all, asked once at start-up.

#include "Host.h"
#include "RunService.h"

#include <QString>

namespace OfficeCheck {

inline constexpr const char* DownloadPage = "https://www.openoffice.org/download/index.html";

/// The message shown when no office answers (its bare carriage returns kept).
QString MessageText();

/// True when the office answers. Otherwise says so, offers to open the
/// download page, and gives false: the program must end.
bool CheckOpenOfficeInstalled(Run::Service& run, Host& host);

} // namespace OfficeCheck
