#pragma once
// Makes folder trees for the tests: "a/b/c.ods" makes the folders and an empty file.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

inline void makeFiles(const QString& root, const QStringList& relativePaths)
{
    for (const QString& relative : relativePaths) {
        const QString path = root + '/' + relative;
        if (relative.endsWith('/')) {
            QDir().mkpath(path);
            continue;
        }
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write("x");
    }
}
