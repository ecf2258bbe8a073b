// Writes the application icon as PNGs in the desktop's icon sizes:
// make_icons <icon file> <output folder> <size>...
// giving <output folder>/<size>x<size>/cellwinnow.png for each size.
// The icon is pixel art: whole multiples are scaled without smoothing so that
// its pixels stay sharp; other sizes are smoothed.

#include <QCoreApplication>
#include <QDir>
#include <QImage>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv); // loads the image format plug-ins
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: make_icons <icon file> <output folder> <size>...\n");
        return 2;
    }
    const QImage icon(args[1]);
    if (icon.isNull()) {
        std::fprintf(stderr, "make_icons: cannot read %s\n", qPrintable(args[1]));
        return 1;
    }
    for (const QString& sizeText : args.mid(3)) {
        const int size = sizeText.toInt();
        if (size <= 0) {
            std::fprintf(stderr, "make_icons: not a size: %s\n", qPrintable(sizeText));
            return 2;
        }
        const bool whole = size % icon.width() == 0 && size % icon.height() == 0;
        const QImage scaled
            = icon.scaled(size, size, Qt::IgnoreAspectRatio, whole ? Qt::FastTransformation : Qt::SmoothTransformation);
        const QString folder = QDir(args[2]).filePath(QString("%1x%1").arg(size));
        const QString file = folder + "/cellwinnow.png";
        if (!QDir().mkpath(folder) || !scaled.save(file, "PNG")) {
            std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
