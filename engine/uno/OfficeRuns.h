#pragma once
// The files a run of the program keeps in the temporary folder (the office's
// private profile, scratch folders, the office's pipe) carry the run's process
// id and that process's start time, so that a later start can tell the files
// of a run that died from those of one that still runs, even when the id has
// been given to another process since.

#include <QString>

namespace office_runs {

/// A QTemporaryDir template for a folder of this run in the temporary folder,
/// e.g. folderTemplate("scratch"): every scratch folder of the office layer
/// should be made from one, so that a killed run's folder is found later.
QString folderTemplate(const QString& kind);

/// A pipe name of this run, different at every call.
QString pipeName();

/// The folder in which the office makes its pipes' sockets (fixed, whatever
/// TMPDIR says).
QString pipeFolder();

/// The socket files of an office's pipes: the one it was told to accept on,
/// and the one it makes for itself, named after its profile's URL. An office
/// that ends leaves them behind.
QStringList pipeFiles(const QString& pipeName, const QString& profileUrl);

/// Removes the folders (in tempFolder) and pipes (in pipeFolder) of this
/// program's runs that no longer run: only names made by the functions above,
/// only the user's own. Returns how many were removed.
int removeLeftovers(const QString& tempFolder, const QString& pipeFolder);

/// Removes what an office that ended while it stored into `folder` left
/// there: it writes a file first under a scratch name of its own, "lu", its
/// process id, a token and ".tmp". A name that also reads as the scratch file
/// of a longer process id that runs is kept.
void removeStoreScratch(const QString& folder, qint64 officePid);

} // namespace office_runs
