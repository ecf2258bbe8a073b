#include "Platform.h"

#include "Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace Platform {

// Caught rather than ignored: a child's exec sets a caught signal back to
// the system's handling, where an ignored one would stay ignored in it.
static void brokenPipe(int) { }

void atProgramStart()
{
    struct sigaction action { };
    action.sa_handler = brokenPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGPIPE, &action, nullptr);
}

// What runs in a child before its exec shares this process's memory (QProcess
// starts it so), ThreadSanitizer's state included: system calls only, made
// directly, and nothing instrumented.
#define CW_CHILD_SIDE __attribute__((no_sanitize("thread")))

CW_CHILD_SIDE void dieWithParent()
{
#ifdef __linux__
    ::syscall(SYS_prctl, PR_SET_PDEATHSIG, SIGKILL, 0, 0, 0);
#endif
}

CW_CHILD_SIDE void limitMemory(qint64 bytes)
{
    // Only system calls: this runs between fork and exec. What counts is
    // the memory a process writes to of its own (RLIMIT_DATA), not the
    // address space that its libraries and thread stacks take up.
    if (bytes <= 0)
        return;
    const rlimit limit{rlim_t(bytes), rlim_t(bytes)};
    ::syscall(SYS_setrlimit, RLIMIT_DATA, &limit);
}

CW_CHILD_SIDE static bool writeFile(const char* path, const char* text) noexcept
{
    const int fd = int(::syscall(SYS_openat, AT_FDCWD, path, O_WRONLY | O_CLOEXEC));
    if (fd < 0)
        return false;
    ssize_t length = 0;
    while (text[length] != 0)
        ++length;
    const bool written = ::syscall(SYS_write, fd, text, size_t(length)) == length;
    ::syscall(SYS_close, fd);
    return written;
}

NetworkIsolation::NetworkIsolation()
{
    std::snprintf(m_uidMap.data(), m_uidMap.size(), "%u %u 1\n", unsigned(::getuid()), unsigned(::getuid()));
    std::snprintf(m_gidMap.data(), m_gidMap.size(), "%u %u 1\n", unsigned(::getgid()), unsigned(::getgid()));
}

CW_CHILD_SIDE bool NetworkIsolation::apply() const noexcept
{
#ifdef __linux__
    // A privileged user can have the network alone; anyone else needs a user
    // namespace too, in which the user stays the same user.
    if (::syscall(SYS_unshare, CLONE_NEWNET) == 0)
        return true;
    if (::syscall(SYS_unshare, CLONE_NEWUSER | CLONE_NEWNET) != 0)
        return false;
    // The maps can be written once; until they are, files look ownerless.
    writeFile("/proc/self/setgroups", "deny");
    return writeFile("/proc/self/uid_map", m_uidMap.data()) && writeFile("/proc/self/gid_map", m_gidMap.data());
#else
    return false;
#endif
}

qint64 physicalMemory()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES), size = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && size > 0 ? qint64(pages) * size : 0;
}

CW_CHILD_SIDE void leaveTerminalSignals()
{
    ::syscall(SYS_setpgid, 0, 0);
}

bool isTerminal(FILE* stream)
{
    return ::isatty(::fileno(stream)) != 0;
}

std::optional<int> terminalColumns(FILE* stream)
{
    winsize size{};
    if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) != 0 || size.ws_col == 0)
        return std::nullopt;
    return size.ws_col;
}

namespace {

// A name whose bytes are not valid in the file-name encoding is changed on
// the way into a QString, and the changed name opens nothing.
bool keepsItsName(const char* name)
{
    const QByteArray raw(name);
    return QFile::encodeName(QFile::decodeName(raw)) == raw;
}

} // namespace

WriteRefusal whyNotWritable(const QString& folder, const QString& name, qint64 bytes)
{
    const QByteArray native = QFile::encodeName(folder);
    struct stat status { };
    if (::stat(native.constData(), &status) != 0)
        return errno == EACCES ? WriteRefusal::NoPermission : WriteRefusal::Missing;
    if (!S_ISDIR(status.st_mode))
        return WriteRefusal::NotAFolder;
    const long longest = ::pathconf(native.constData(), _PC_NAME_MAX);
    if (!name.isEmpty() && longest > 0 && QFile::encodeName(name).size() > longest)
        return WriteRefusal::NameTooLong;
    struct statvfs disk { };
    const bool known = ::statvfs(native.constData(), &disk) == 0;
    if (known && (disk.f_flag & ST_RDONLY))
        return WriteRefusal::ReadOnly;
    if (::access(native.constData(), W_OK | X_OK) != 0)
        return errno == EROFS ? WriteRefusal::ReadOnly : WriteRefusal::NoPermission;
    if (known && bytes > 0 && qint64(disk.f_bavail) * qint64(disk.f_frsize) < bytes)
        return WriteRefusal::Full;
    return WriteRefusal::None;
}

int fileAttributes(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat link { };
    if (path.isEmpty() || ::lstat(native.constData(), &link) != 0)
        return -1;
    struct stat target = link;
    if (S_ISLNK(link.st_mode) && ::stat(native.constData(), &target) != 0)
        target = link; // a dangling link is still there
    int value = 0;
    if (!(target.st_mode & S_IWUSR))
        value |= 1;
    const QString name = QFileInfo(Paths::WithoutTrailingSeparators(path)).fileName();
    if (name.startsWith('.') && name != "." && name != "..")
        value |= 2;
    if (S_ISDIR(target.st_mode))
        value |= 16;
    if (S_ISREG(target.st_mode))
        value |= 32;
    if (S_ISLNK(link.st_mode))
        value |= 1024;
    return value;
}

FolderError folderError(int error)
{
    if (error == EACCES || error == EPERM)
        return FolderError(70, "Permission denied");
    if (error == ENOENT || error == ENOTDIR)
        return FolderError(76, "Path not found");
    return FolderError(error, std::strerror(error));
}

QStringList subFolderNames(const QString& folder)
{
    const QString clean = Paths::WithoutTrailingSeparators(QDir::cleanPath(folder));
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        throw folderError(errno);
    QStringList names;
    while (const dirent* entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name == "." || name == ".." || !keepsItsName(entry->d_name))
            continue;
        bool isDir = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN)
            isDir = QFileInfo(clean + '/' + name).isDir();
        if (isDir)
            names << name;
    }
    ::closedir(dir);
    return names;
}

QList<UnreadableName> unreadableNames(const QString& folder)
{
    QList<UnreadableName> names;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        if (keepsItsName(entry->d_name))
            continue;
        bool isDir = entry->d_type == DT_DIR;
        struct stat target { };
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN)
            isDir = ::fstatat(::dirfd(dir), entry->d_name, &target, 0) == 0 && S_ISDIR(target.st_mode);
        names.append({QFile::decodeName(entry->d_name), isDir});
    }
    ::closedir(dir);
    return names;
}

void killProcess(qint64 pid)
{
    if (pid > 0)
        ::kill(pid_t(pid), SIGKILL);
}

ChildProcess::ChildProcess(qint64 pid) : m_pid(pid)
{
#if defined(__linux__) && defined(SYS_pidfd_open)
    if (pid > 0)
        m_handle = int(::syscall(SYS_pidfd_open, pid_t(pid), 0));
#endif
}

ChildProcess::~ChildProcess()
{
    if (m_handle >= 0)
        ::close(m_handle);
}

// Without a handle, the state letter of /proc/<pid>/stat: Z (or X) once ended.
static bool endedById(qint64 pid)
{
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const qsizetype after = line.lastIndexOf(')') + 2;
    return after >= line.size() || line[after] == 'Z' || line[after] == 'X';
}

bool ChildProcess::ended() const
{
    if (m_pid <= 0 || m_reaped)
        return true;
    if (m_handle < 0)
        return endedById(m_pid);
    // The handle reads as ready once the process has ended.
    pollfd ready{m_handle, POLLIN, 0};
    return ::poll(&ready, 1, 0) == 1;
}

bool ChildProcess::kill() const
{
    if (ended())
        return false;
#if defined(__linux__) && defined(SYS_pidfd_send_signal)
    // Refused (ESRCH) once the process is reaped, whoever has its id now.
    if (m_handle >= 0)
        return ::syscall(SYS_pidfd_send_signal, m_handle, SIGKILL, nullptr, 0) == 0;
#endif
    return ::kill(pid_t(m_pid), SIGKILL) == 0;
}

QString processStartTime(qint64 pid)
{
    // Field 22 of /proc/<pid>/stat: clock ticks from boot to the process's start.
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray line = stat.readAll();
    // The name in parentheses may hold spaces and parentheses itself.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 19 ? QString::fromLatin1(fields[19]) : QString();
}

bool processRuns(qint64 pid)
{
    return pid > 0 && QFileInfo::exists(QString("/proc/%1").arg(pid));
}

uint userId()
{
    return ::getuid();
}

bool removeOwnSocket(const QString& path)
{
    struct stat status { };
    const QByteArray native = QFile::encodeName(path);
    return ::lstat(native.constData(), &status) == 0 && S_ISSOCK(status.st_mode) && status.st_uid == ::getuid()
        && ::unlink(native.constData()) == 0;
}

qint64 residentBytes(qint64 pid)
{
    // statm's second field: resident pages.
    QFile statm(QString("/proc/%1/statm").arg(pid));
    if (pid <= 0 || !statm.open(QIODevice::ReadOnly))
        return -1;
    bool ok = false;
    const qint64 pages = statm.readAll().split(' ').value(1).toLongLong(&ok);
    return ok ? pages * ::sysconf(_SC_PAGESIZE) : -1;
}

bool isRootFolder(const QString& path)
{
    return QDir::cleanPath(path) == "/";
}

namespace {
int g_signalPipe[2] = {-1, -1};
int g_urgentPipe[2] = {-1, -1};

// The byte written is the signal's number; 0 only wakes the urgent thread.
void onSignal(int signal)
{
    const char byte = char(signal);
    [[maybe_unused]] ssize_t written = ::write(g_signalPipe[0], &byte, 1);
    if (g_urgentPipe[0] >= 0)
        written = ::write(g_urgentPipe[0], &byte, 1);
}

// The signal's notifier, and the thread that calls the urgent handler until
// the notifier goes.
class TerminationNotifier : public QSocketNotifier {
public:
    explicit TerminationNotifier(int socket) : QSocketNotifier(socket, QSocketNotifier::Read) { }
    ~TerminationNotifier() override
    {
        if (!m_urgent.joinable())
            return;
        m_ending = true;
        const char byte = 0; // wakes the thread
        [[maybe_unused]] ssize_t written = ::write(g_urgentPipe[0], &byte, 1);
        m_urgent.join();
    }

    void listen(std::function<void(int)> urgent)
    {
        m_urgent = std::thread([this, urgent = std::move(urgent)] {
            char byte;
            while (::read(g_urgentPipe[1], &byte, 1) == 1 && !m_ending)
                if (byte != 0)
                    urgent(byte);
        });
    }

private:
    std::atomic<bool> m_ending = false;
    std::thread m_urgent;
};
} // namespace

std::unique_ptr<QObject> onTerminationRequest(std::function<void(int)> handler, std::function<void(int)> urgent)
{
    if (g_signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return nullptr;
    auto notifier = std::make_unique<TerminationNotifier>(g_signalPipe[1]);
    // The window hears of the signal only between the office's calls; a
    // thread of its own can end a call that would keep it waiting.
    if (urgent && (g_urgentPipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_urgentPipe) == 0))
        notifier->listen(std::move(urgent));
    QObject::connect(notifier.get(), &QSocketNotifier::activated, [handler = std::move(handler)] {
        char byte = 0;
        [[maybe_unused]] ssize_t read = ::read(g_signalPipe[1], &byte, 1);
        handler(byte);
    });
    struct sigaction action { };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
    return notifier;
}

} // namespace Platform
