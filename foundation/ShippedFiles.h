#pragma once
// Where the files that ship with the program (samples, skin, cursor, drag
// image, window icon) are found.

#include <QString>

namespace ShippedFiles {

// Their names in that folder.
inline constexpr const char* SamplesFolder = "Samples";
inline constexpr const char* Skin = "x/o.cjs";
inline constexpr const char* HandCursor = "HAND-M.CUR";
inline constexpr const char* DragImage = "drag.ico";
inline constexpr const char* WindowIcon = "cellwinnow.ico";

/// The folder holding the shipped files: the program's own folder when they
/// sit beside it (as in the build folder), else the installed share folder
/// relative to it (bin/../share/cellwinnow), else the program's folder still,
/// so that a missing file is handled as it is beside the program.
QString Folder(const QString& programFolder);

} // namespace ShippedFiles
