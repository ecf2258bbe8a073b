#include "Form1.h"
#include "InfoOptions.h"
#include "OfficeConnection.h"
#include "Platform.h"
#include "ShippedFiles.h"
#include "WidgetHost.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    if (const std::optional<int> status = InfoOptions::run(argc, argv))
        return *status;
    QApplication app(argc, argv);
    OfficeConnection office;
    WidgetHost host;
    Form1 form(office, host, ShippedFiles::Folder(QCoreApplication::applicationDirPath()));
    host.setOwner(&form);
    QObject::connect(&form, &Form1::closing, [&office] { office.shutdown(); });
    Platform::onTerminationRequest([&form] { form.close(); });
    if (!form.Form_Load())
        return 0;
    form.show();
    return app.exec();
}
