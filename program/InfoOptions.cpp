#include "InfoOptions.h"

#include "FileUtils.h"
#include "Samples.h"
#include "ShippedFiles.h"
#include "Skin.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <cstring>
#include <stdexcept>

namespace InfoOptions {

namespace {

// One line per shipped file the program uses, with where it was found;
// false when one is missing or cannot be read.
bool listShippedFiles(QTextStream& out)
{
    const QString folder = ShippedFiles::Folder(QCoreApplication::applicationDirPath());
    out << "Shipped files: " << QDir::toNativeSeparators(folder) << '\n';
    bool complete = true;
    auto line = [&](const char* what, const QString& path, bool found) {
        out << qSetFieldWidth(13) << Qt::left << what << qSetFieldWidth(0) << (found ? "" : "missing: ")
            << QDir::toNativeSeparators(path) << '\n';
        complete = complete && found;
    };
    // Read as the window reads it, so an unreadable skin shows here too.
    const QString skinFile = Skin::SkinFile(folder);
    bool skinRead = true;
    try {
        SkinFramework().LoadSkin(skinFile, "");
    } catch (const std::runtime_error&) {
        skinRead = false;
    }
    line("skin", skinFile, skinRead);
    for (const auto& [what, name] :
         {std::pair{"hand cursor", ShippedFiles::HandCursor}, std::pair{"drag image", ShippedFiles::DragImage},
          std::pair{"window icon", ShippedFiles::WindowIcon}})
        line(what, folder + '/' + name, FileUtils::FileExists(folder + '/' + name));
    const QStringList samples = Samples::SampleFiles(folder);
    if (samples.isEmpty())
        line("samples", folder + '/' + ShippedFiles::SamplesFolder, false);
    for (const QString& sample : samples)
        line("sample", sample, true);
    return complete;
}

} // namespace

std::optional<int> run(int argc, char* argv[])
{
    bool asked = false;
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"-h", "--help", "-v", "--version", "--shipped-files"})
            asked = asked || std::strcmp(argv[i], option) == 0;
    if (!asked)
        return std::nullopt;

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("cellwinnow");
    QCoreApplication::setApplicationVersion(CW_VERSION);
    QCommandLineParser parser;
    parser.setApplicationDescription("Empties repeated cell texts in many spreadsheets at once. "
                                     "Without options it opens its window.");
    // Not addHelpOption(): its --help-all lists Qt's window options, which these ignore.
    parser.addOption({{"h", "help"}, "Show this summary of the options."});
    parser.addOption({{"v", "version"}, "Show the program's version."});
    const QCommandLineOption shipped("shipped-files",
                                     "List the shipped files (skin, cursor, samples) with the folder they were found "
                                     "in; the exit status is 1 when one is missing.");
    parser.addOption(shipped);
    parser.parse(app.arguments()); // other arguments stay ignored

    QTextStream out(stdout);
    if (parser.isSet("help")) {
        out << parser.helpText();
        return 0;
    }
    if (parser.isSet("version")) {
        out << "cellwinnow " << CW_VERSION << '\n';
        return 0;
    }
    return listShippedFiles(out) ? 0 : 1;
}

} // namespace InfoOptions
