#include "CursorFile.h"

#include <QFile>
#include <QImage>
#include <QPixmap>

#include <stdexcept>

namespace CursorFile {

QCursor load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QString("Cannot open %1: %2").arg(path, file.errorString()).toStdString());
    QByteArray data = file.readAll();
    // Header: reserved, type (1 icon, 2 cursor), count; then entries whose
    // planes and bit-count fields hold a cursor's hot spot.
    if (data.size() < 22 || data[0] != 0 || data[1] != 0 || (data[2] != 1 && data[2] != 2))
        throw std::runtime_error(QString("Not a cursor or icon file: %1").arg(path).toStdString());
    const bool cursor = data[2] == 2;
    const auto word = [&](int at) { return int(uchar(data[at])) | int(uchar(data[at + 1])) << 8; };
    const int hotX = cursor ? word(10) : -1;
    const int hotY = cursor ? word(12) : -1;
    data[2] = 1; // the image reader knows icons
    const QImage image = QImage::fromData(data, "ICO");
    if (image.isNull())
        throw std::runtime_error(QString("Cannot read the image of %1").arg(path).toStdString());
    return QCursor(QPixmap::fromImage(image), hotX, hotY);
}

} // namespace CursorFile
