#include "OfficeRuns.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QUrl>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

namespace office_runs {

namespace {

// Field 22 of /proc/<pid>/stat: clock ticks from boot to the process's start.
// Empty when the process does not exist.
QString startTime(qint64 pid)
{
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray line = stat.readAll();
    // The name in parentheses may hold spaces and parentheses itself.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 19 ? QString::fromLatin1(fields[19]) : QString();
}

bool runs(qint64 pid, const QString& start)
{
    return pid > 0 && startTime(pid) == start;
}

QRegularExpression folderName()
{
    return QRegularExpression("^cellwinnow-[a-z]+-(\\d+)\\.(\\d+)-[A-Za-z0-9]{6}$");
}

QRegularExpression pipeFileName()
{
    return QRegularExpression("^OSL_PIPE_\\d+_cellwinnow-(\\d+)\\.(\\d+)-[0-9a-f]{16}$");
}

QString pipeFile(const QString& name)
{
    return QString("%1/OSL_PIPE_%2_%3").arg(pipeFolder()).arg(::getuid()).arg(name);
}

// Only a socket of the user's own is removed.
bool removeSocket(const QString& path)
{
    struct stat status { };
    const QByteArray native = QFile::encodeName(path);
    return ::lstat(native.constData(), &status) == 0 && S_ISSOCK(status.st_mode) && status.st_uid == ::getuid()
        && ::unlink(native.constData()) == 0;
}

int removeDead(const QString& folder, const QRegularExpression& pattern, bool folders)
{
    int removed = 0;
    QDir dir(folder);
    const auto filter = (folders ? QDir::Dirs : QDir::System) | QDir::NoDotAndDotDot | QDir::Hidden;
    for (const QFileInfo& entry : dir.entryInfoList(filter)) {
        const QRegularExpressionMatch m = pattern.match(entry.fileName());
        // Never through a link, never another user's.
        if (!m.hasMatch() || entry.isSymLink() || entry.ownerId() != ::getuid())
            continue;
        if (runs(m.captured(1).toLongLong(), m.captured(2)))
            continue;
        if (folders) {
            // A profile's office left its own pipe too.
            const QString url = QUrl::fromLocalFile(entry.absoluteFilePath()).toString(QUrl::FullyEncoded);
            removeSocket(pipeFiles({}, url).constLast());
            removed += QDir(entry.absoluteFilePath()).removeRecursively() ? 1 : 0;
        } else {
            removed += removeSocket(entry.absoluteFilePath()) ? 1 : 0;
        }
    }
    return removed;
}

bool writeFile(const char* path, const char* text) noexcept
{
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const ssize_t length = ssize_t(std::strlen(text));
    const bool written = ::write(fd, text, size_t(length)) == length;
    ::close(fd);
    return written;
}

} // namespace

QString runTag()
{
    const qint64 pid = QCoreApplication::applicationPid();
    return QString("%1.%2").arg(pid).arg(startTime(pid));
}

QString folderTemplate(const QString& kind)
{
    return QDir::tempPath() + "/cellwinnow-" + kind + '-' + runTag() + "-XXXXXX";
}

QString pipeName()
{
    return QString("cellwinnow-%1-%2").arg(runTag()).arg(QRandomGenerator::global()->generate64(), 16, 16, QChar('0'));
}

QString pipeFolder()
{
    return QFileInfo("/tmp").isWritable() ? QString("/tmp") : QString("/var/tmp");
}

QStringList pipeFiles(const QString& pipeName, const QString& profileUrl)
{
    // The office names its own pipe after the MD5 of the profile's URL in
    // UTF-16, each byte in hex without leading zeros.
    const QByteArray digest = QCryptographicHash::hash(
        QByteArray(reinterpret_cast<const char*>(profileUrl.utf16()), profileUrl.size() * 2), QCryptographicHash::Md5);
    QString hash;
    for (const char byte : digest)
        hash += QString::number(uchar(byte), 16);
    return {pipeFile(pipeName), pipeFile("SingleOfficeIPC_" + hash)};
}

int removeLeftovers(const QString& tempFolder, const QString& pipeFolder)
{
    return removeDead(tempFolder, folderName(), true) + removeDead(pipeFolder, pipeFileName(), false);
}

void removeStoreScratch(const QString& folder, qint64 officePid)
{
    const QString prefix = QString("lu%1").arg(officePid);
    QDir dir(folder);
    for (const QString& name : dir.entryList({prefix + "*.tmp"}, QDir::Files | QDir::Hidden)) {
        bool another = false;
        for (qsizetype end = prefix.size(); end < name.size() && name[end].isDigit() && !another; ++end)
            another = QFileInfo::exists(QString("/proc/%1").arg(name.mid(2, end + 1 - 2)));
        if (!another)
            dir.remove(name);
    }
}

NetworkIsolation::NetworkIsolation()
{
    std::snprintf(m_uidMap.data(), m_uidMap.size(), "%u %u 1\n", unsigned(::getuid()), unsigned(::getuid()));
    std::snprintf(m_gidMap.data(), m_gidMap.size(), "%u %u 1\n", unsigned(::getgid()), unsigned(::getgid()));
}

bool NetworkIsolation::apply() const noexcept
{
#ifdef __linux__
    // A privileged user can have the network alone; anyone else needs a user
    // namespace too, in which the user stays the same user.
    if (::unshare(CLONE_NEWNET) == 0)
        return true;
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0)
        return false;
    // The maps can be written once; until they are, files look ownerless.
    writeFile("/proc/self/setgroups", "deny");
    return writeFile("/proc/self/uid_map", m_uidMap.data()) && writeFile("/proc/self/gid_map", m_gidMap.data());
#else
    return false;
#endif
}

} // namespace office_runs
