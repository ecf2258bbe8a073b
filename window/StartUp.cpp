#include "StartUp.h"

namespace StartUp {

QString AppTitleFor(const QString& productName)
{
    QString title = productName;
    do {
        const qsizetype blank = title.lastIndexOf(' ');
        if (blank < 0)
            break;
        title.truncate(blank);
    } while (title.size() > 40);
    return title;
}

void SetAppTitle(Host& host)
{
    host.setApplicationTitle(AppTitleFor(ProductName));
}

} // namespace StartUp
