#include "Samples.h"

#include "AddFolder.h"
#include "FileList.h"
#include "FileUtils.h"
#include "ShippedFiles.h"

#include <QDir>

namespace Samples {

QStringList SampleFiles(const QString& programFolder)
{
    const QString folder = programFolder + QDir::separator() + ShippedFiles::SamplesFolder + QDir::separator();
    QStringList files;
    for (const QString& name : AddFolder::ListFilesInFolder(folder, "*.*")) {
        const QString candidate = folder + name;
        if (FileUtils::FileExists(candidate))
            files << candidate;
    }
    return files;
}

void LoadSampleFiles(FileList& list, const QString& programFolder, Host& host)
{
    const QString folder = programFolder + QDir::separator() + ShippedFiles::SamplesFolder + QDir::separator();
    for (const QString& candidate : SampleFiles(programFolder))
        if (!list.contains(candidate))
            list.appendRow(candidate);
    if (host.question("Would you like this software to open the folder where these sample files are stored "
                      "(so that you can view them before working with them)?")
        == Host::Yes)
        host.open('"' + folder + '"');
}

} // namespace Samples
