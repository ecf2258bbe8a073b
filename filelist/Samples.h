#pragma once
// The example spreadsheets that ship in "Samples" beside the program.

#include "Host.h"

#include <QStringList>

class FileList;

namespace Samples {

/// The sample files' full paths, in the order the folder lists them.
QStringList SampleFiles(const QString& programFolder);

/// Appends each sample file not listed yet, then offers to open the folder.
void LoadSampleFiles(FileList& list, const QString& programFolder, Host& host);

} // namespace Samples
