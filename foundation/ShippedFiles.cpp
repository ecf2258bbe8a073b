#include "ShippedFiles.h"

#include <QDir>
#include <QFileInfo>

#ifndef CW_SHARE_FROM_BIN
#error "CW_SHARE_FROM_BIN names the installed share folder relative to the program's"
#endif

namespace ShippedFiles {

QString Folder(const QString& programFolder)
{
    const QDir beside(programFolder);
    for (const char* name : {SamplesFolder, Skin, HandCursor, DragImage, WindowIcon})
        if (QFileInfo::exists(beside.filePath(name)))
            return programFolder;
    const QString installed = QDir::cleanPath(beside.filePath(CW_SHARE_FROM_BIN));
    return QFileInfo(installed).isDir() ? installed : programFolder;
}

} // namespace ShippedFiles
