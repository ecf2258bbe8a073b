#include "Form1.h"
#include "InfoOptions.h"
#include "Lifetime.h"
#include "OfficeConnection.h"
#include "Platform.h"
#include "ShippedFiles.h"
#include "WidgetPresenters.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    if (const std::optional<int> status = InfoOptions::run(argc, argv))
        return *status;
    QApplication app(argc, argv);
    OfficeConnection office;
    Form1 form(office, ShippedFiles::Folder(QCoreApplication::applicationDirPath()));
    WidgetPresenters::install(&form);
    QObject::connect(&form, &Form1::closing, [&office] { office.shutdown(); });
    Platform::onTerminationRequest([&form] { form.close(); },
                                   [&office] {
                                       Lifetime::requestQuit();
                                       office.abortCall();
                                   });
    if (!form.Form_Load())
        return 0;
    form.show();
    return app.exec();
}
