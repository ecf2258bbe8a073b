#include "Calc1.h"

#include "Paths.h"

#include <QFileInfo>

namespace Calc1 {

static bool taken(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

ResultPaths ResultPathsFor(const QString& resultsFolder, const QString& inputPath)
{
    const QString name = Paths::GetFileName(inputPath);
    const QString folder = resultsFolder + Paths::separator();
    ResultPaths paths;
    paths.final = Paths::CollapseBackslashes(folder + Paths::ReplaceExtension(name, "ods"));
    paths.temporary = Paths::CollapseBackslashes(folder + Paths::ReplaceExtension(name, "sxw"));
    // A file of the user's that has the temporary name stays untouched.
    const QString stem = paths.temporary.chopped(4);
    for (int n = 1; taken(paths.temporary); ++n)
        paths.temporary = QString("%1.%2.sxw").arg(stem).arg(n);
    return paths;
}

} // namespace Calc1
