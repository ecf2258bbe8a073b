#pragma once
// The example spreadsheets that ship in "Samples" beside the program.

#include <QString>

class QTreeWidget;

namespace Samples {

/// Appends each sample file not listed yet, then offers to open the folder.
void LoadSampleFiles(QTreeWidget* list, const QString& programFolder);

} // namespace Samples
