#pragma once
// Small file-system utilities. None of them reports an error except
// GetDesktopFolder, which throws when the desktop cannot be resolved.

#include "Host.h"

#include <QString>

namespace FileUtils {

/// True when the path names anything whose modification time can be read.
bool FileExists(const QString& path);

/// True only for an existing folder; false for files, missing or malformed paths.
bool IsFolder(const QString& path);

/// Deletes a file, read-only or not; a missing file or any failure is silent.
/// Lets the window process pending events first.
void KillFile(const QString& path);

/// Gives the file `from` the name `to` in one step, replacing a file of that
/// name: there is no moment without either. Throws std::runtime_error on failure.
void ReplaceFile(const QString& from, const QString& to);

/// The user's desktop folder followed by the separator; throws std::runtime_error
/// when the system names none.
QString GetDesktopFolder();

/// Waits the given seconds (fractions allowed) while the window keeps handling
/// its events; sleeps between them rather than polling. Ends early once the
/// program is ending.
void Wait(double seconds, const Host& host);

} // namespace FileUtils
