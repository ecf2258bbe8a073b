#pragma once
// Adding rows by the file dialog and by dropping files and folders.

#include "FileList.h"
#include "Host.h"

#include <QStringList>

class QMimeData;
class StepGuard;

namespace AddFiles {

/// Shows the file dialog and adds the chosen files, telling the user of a
/// selection too large for the dialog and of names that name nothing. Its
/// steps are reported through step.
void FromDialog(FileList& list, StepGuard& step);

/// The local files and folders a drop carries; empty when it carries none.
QStringList DroppedPaths(const QMimeData* data);

/// Adds dropped files as they are, and each dropped folder's files of every depth.
void Dropped(FileList& list, const QStringList& paths, Host& host);

} // namespace AddFiles
