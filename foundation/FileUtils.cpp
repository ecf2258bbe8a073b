#include "FileUtils.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

#include <filesystem>
#include <stdexcept>

namespace FileUtils {

bool FileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    return QFileInfo(path).lastModified().isValid();
}

bool IsFolder(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

void KillFile(const QString& path)
{
    QCoreApplication::processEvents();
    QFileInfo info(path);
    if (path.isEmpty() || (!info.exists() && !info.isSymLink()) || info.isDir())
        return;
    if (QFile::remove(path))
        return;
    QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOwner);
    QFile::remove(path);
}

void ReplaceFile(const QString& from, const QString& to)
{
    if (QFileInfo(to).isDir())
        throw std::runtime_error(QString("%1 is a folder").arg(to).toStdString());
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(from.toStdU16String()), std::filesystem::path(to.toStdU16String()),
                            error);
    if (error)
        throw std::runtime_error(QString("Could not rename %1 to %2: %3")
                                     .arg(from, to, QString::fromStdString(error.message()))
                                     .toStdString());
}

QString GetDesktopFolder()
{
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (desktop.isEmpty())
        throw std::runtime_error("The desktop folder could not be found");
    return QDir::toNativeSeparators(desktop) + QDir::separator();
}

void Wait(double seconds, const Host& host)
{
    QDeadlineTimer deadline(qint64(seconds * 1000.0), Qt::PreciseTimer);
    // An empty wake-up timer makes processEvents return at the deadline at the latest.
    QTimer wake;
    wake.setSingleShot(true);
    while (!deadline.hasExpired() && !host.quitting()) {
        wake.start(int(qMax<qint64>(1, deadline.remainingTime())));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

} // namespace FileUtils
