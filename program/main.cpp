#include "InfoOptions.h"
#include "Platform.h"
#include "Program.h"
#include "ShippedFiles.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    Platform::atProgramStart();
    if (const std::optional<int> status = InfoOptions::run(argc, argv))
        return *status;
    QApplication app(argc, argv);
    Program program(ShippedFiles::Folder(QCoreApplication::applicationDirPath()));
    if (!program.start())
        return 0;
    return app.exec();
}
