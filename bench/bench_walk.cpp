// Adds a generated tree by the folder source into a real list view: time, rows
// added, and the longest stretch in which the window handled no events.
//
//   bench_walk [folders] [files]

#include "AddFolder.h"
#include "FileList.h"
#include "Platform.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <cstdio>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Platform::atProgramStart();
    QApplication app(argc, argv);
    const int folders = argc > 1 ? atoi(argv[1]) : 2000;
    const int files = argc > 2 ? atoi(argv[2]) : 50000;

    // Forty folders at the top, the rest spread below them, files spread over all.
    QTemporaryDir dir;
    const QString root = dir.filePath("tree");
    QStringList made;
    const int top = 40;
    for (int i = 0; i < folders; ++i) {
        const QString path
            = i < top ? QString("%1/t%2").arg(root).arg(i) : QString("%1/t%2/s%3").arg(root).arg(i % top).arg(i);
        QDir().mkpath(path);
        made << path;
    }
    for (int k = 0; k < files; ++k) {
        QFile f(QString("%1/f%2.ods").arg(made[k % folders]).arg(k));
        f.open(QIODevice::WriteOnly);
    }
    std::printf("tree: %d folders, %d files\n", folders, files);

    FileList rows;
    QTreeView list; // set up as the main window's list is
    list.setModel(&rows);
    list.setRootIsDecorated(false);
    list.setUniformRowHeights(true);
    list.show();
    qint64 longest = 0, last = 0;
    QElapsedTimer clock;
    QTimer tick; // runs whenever the walk lets the window handle events
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = std::max(longest, clock.nsecsElapsed() - last);
        last = clock.nsecsElapsed();
    });
    tick.start(0);
    ConsoleHost host;
    clock.start();
    AddFolder::AddFolderFiles(
        root, "*.ods", [&](const QString& p) { rows.appendRow(p); }, host);
    const qint64 total = clock.nsecsElapsed();
    longest = std::max(longest, total - last);

    std::printf("rows added:                      %d\n", rows.count());
    std::printf("time:                            %.3f s\n", total / 1e9);
    std::printf("longest stretch without events:  %.1f ms\n", longest / 1e6);
    return rows.count() == files ? 0 : 1;
}
