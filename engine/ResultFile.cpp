#include "Calc1.h"

#include "Paths.h"

#include <QFileInfo>
#include <QHash>

namespace Calc1 {

static bool taken(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

std::optional<ResultFormat> resultFormat(const QString& extension)
{
    const QString e = extension.toLower();
    if (e == "ods")
        return ResultFormat{};
    // Text as the user sees it: comma, double quote, UTF-8, from the first
    // line; cells as shown, formulas as their results.
    static const QHash<QString, ResultFormat> formats{
        {"fods", {"fods", "OpenDocument Spreadsheet Flat XML", {}, false}},
        {"xlsx", {"xlsx", "Calc MS Excel 2007 XML", {}, false}},
        {"xlsm", {"xlsm", "Calc MS Excel 2007 VBA XML", {}, false}},
        {"xls", {"xls", "MS Excel 97", {}, false}},
        {"csv", {"csv", "Text - txt - csv (StarCalc)", "44,34,76,1,,0,false,true,true,false,false", true}},
    };
    if (const auto it = formats.constFind(e); it != formats.cend())
        return *it;
    return std::nullopt;
}

QString resultName(const QString& inputPath, const QString& extension)
{
    return Paths::ReplaceExtension(Paths::GetFileName(inputPath), extension);
}

ResultPaths ResultPathsFor(const QString& resultsFolder, const QString& inputPath, const QString& extension)
{
    const QString folder = resultsFolder + Paths::separator();
    ResultPaths paths;
    paths.final = Paths::CollapseBackslashes(folder + resultName(inputPath, extension));
    paths.temporary = Paths::CollapseBackslashes(folder + resultName(inputPath, "sxw"));
    // A file of the user's that has the temporary name stays untouched.
    const QString stem = paths.temporary.chopped(4);
    for (int n = 1; taken(paths.temporary); ++n)
        paths.temporary = QString("%1.%2.sxw").arg(stem).arg(n);
    return paths;
}

} // namespace Calc1
