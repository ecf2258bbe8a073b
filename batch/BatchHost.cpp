#include "BatchHost.h"

#include <cstdio>
#include <utility>

namespace Batch {

Host::Button BatchHost::present(const Box& box)
{
    const QString text = plainText(box);
    if (m_mode == Collect)
        m_messages << text;
    else
        std::fprintf(stderr, "cellwinnow-batch: %s\n", qPrintable(text));
    return box.defaultButton;
}

QStringList BatchHost::takeMessages()
{
    return std::exchange(m_messages, {});
}

QString BatchHost::plainText(const Box& box)
{
    QString text = box.text;
    const qsizetype request = text.indexOf("\r\rPlease email");
    if (request >= 0)
        text.truncate(request);
    text.replace("\r\n", " ").replace('\r', ' ').replace('\n', ' ');
    return text.simplified();
}

} // namespace Batch
