#include "OfficeCheck.h"

#include "ErrorReport.h"

namespace OfficeCheck {

QString MessageText()
{
    return QString("Error 214878392") + "\r\n\r\n"
        + "OpenOffice is required to run this software. It is not installed on this computer." + "\r\r"
        + "Woud you like to open this site now?" + "\r\n\r\n"
        + "(If you think this error is a mistake and you have OpenOffice installed, please email a screenshot of "
          "this error message and a screenshot of the OpenOffice 'About' window to "
        + ErrorReport::SupportEmail + ")";
}

bool CheckOpenOfficeInstalled(Run::Service& run, Host& host)
{
    try {
        run.startOffice();
        return true;
    } catch (...) {
        // Whatever kept the office away, to the user it is not there.
    }
    if (host.question(MessageText()) == Host::Yes)
        host.open(QString('"') + DownloadPage + '"');
    return false;
}

} // namespace OfficeCheck
