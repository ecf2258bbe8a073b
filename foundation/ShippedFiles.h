#pragma once
// Where the files that ship with the program (samples, skin, cursor, drag
// image, window icon) are found.

#include <QString>

namespace ShippedFiles {

/// The folder holding the shipped files: the program's own folder when they
/// sit beside it (as in the build folder), else the installed share folder
/// relative to it (bin/../share/cellwinnow), else the program's folder still,
/// so that a missing file is handled as it is beside the program.
QString Folder(const QString& programFolder);

} // namespace ShippedFiles
