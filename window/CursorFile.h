#pragma once
// Pointers and images from Windows cursor and icon files.

#include <QCursor>
#include <QString>

namespace CursorFile {

/// A cursor from a .cur file (its hot spot kept) or an .ico file (hot spot at
/// the centre). Throws std::runtime_error when the file cannot be read.
QCursor load(const QString& path);

} // namespace CursorFile
