#pragma once
// What differs between operating systems. One implementation per system
// (PlatformPosix.cpp here); callers never test the system themselves.

#include <QObject>
#include <QStringList>

#include <array>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

namespace Platform {

/// What every program of the project does first: a write to a pipe whose
/// reader has gone (an office that died) fails as an error the caller sees
/// rather than ending the program.
void atProgramStart();

/// Called in a freshly forked child before it runs its program: the child is
/// ended when this process ends, however it ends (a crash or a kill included).
void dieWithParent();

/// Called in a freshly forked child before it runs its program: the system
/// refuses it more than `bytes` of memory of its own (its allocations fail),
/// where the system can limit it; 0 leaves it unlimited.
void limitMemory(qint64 bytes);

/// Gives a child process a network of its own with nothing in it (not even a
/// working loopback), so that nothing it does reaches any address. Prepared in
/// the parent; apply() runs in the child between fork and exec and only makes
/// system calls. Where the system allows no network namespace (some containers),
/// apply() returns false and the child keeps the parent's network.
class NetworkIsolation {
public:
    NetworkIsolation();
    bool apply() const noexcept;

private:
    std::array<char, 64> m_uidMap{};
    std::array<char, 64> m_gidMap{};
};

/// The machine's memory, in bytes; 0 when it cannot be told.
qint64 physicalMemory();

/// Called in a freshly forked child: the terminal's interrupt (Ctrl-C) no
/// longer reaches it or its children, so its parent decides how they end.
void leaveTerminalSignals();

/// Whether the stream writes to a terminal.
bool isTerminal(FILE* stream);
/// The width in characters of the terminal the stream writes to; none when
/// it writes to no terminal or the terminal does not tell.
std::optional<int> terminalColumns(FILE* stream);

/// Windows-style attribute value of a path: read-only 1, hidden 2 (a name
/// beginning with "."), system 4, directory 16, archive 32 (every regular
/// file), link 1024. -1 when the path's attributes cannot be read.
int fileAttributes(const QString& path);

/// A folder whose sub-folders cannot be read: Code 70 is "permission denied",
/// 76 "path not found", anything else another failure.
struct FolderError : std::runtime_error {
    FolderError(int code, const std::string& what) : std::runtime_error(what), code(code) { }
    int code;
};
/// The error of a folder that the system failed to open with errno `error`.
FolderError folderError(int error);
/// The sub-folders' names in the system's order; throws FolderError. Names
/// that unreadableNames gives are left out.
QStringList subFolderNames(const QString& folder);

/// A name in a folder that cannot be kept exactly (not valid in the system's
/// encoding of file names), so nothing can be opened by it: shown as near as
/// it can be, and whether it names a folder.
struct UnreadableName {
    QString shown;
    bool folder = false;
};
/// Such names in one folder; none when the folder cannot be read.
QList<UnreadableName> unreadableNames(const QString& folder);

/// Why a file of this name and size cannot be made in the folder, as the
/// system tells; None when nothing is known against it. A size of 0 leaves
/// the space free unasked.
enum class WriteRefusal { None, Missing, NotAFolder, ReadOnly, NoPermission, Full, NameTooLong };
WriteRefusal whyNotWritable(const QString& folder, const QString& name = {}, qint64 bytes = 0);

/// True for a file-system root ("/" here, "C:\" on Windows).
bool isRootFolder(const QString& path);

/// Ends a process at once (it cannot refuse); safe to call from any thread.
/// Only for a process that is not this program's child: a child is ended
/// through its ChildProcess.
void killProcess(qint64 pid);

/// A child process of this program, to be asked about and ended from any
/// thread. Made by the thread that started it, before that thread can have
/// reaped it; where the system gives a handle on the process itself (a pidfd),
/// nothing sent through it ever reaches a later process given the same id.
class ChildProcess {
public:
    explicit ChildProcess(qint64 pid);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    qint64 id() const { return m_pid; }
    /// Whether it has ended (also while it waits to be reaped).
    bool ended() const;
    /// Ends it at once; false when the system sent nothing (it had ended).
    bool kill() const;
    /// Its owner has reaped it: from now on the id may be another's.
    void reaped() { m_reaped = true; }

private:
    const qint64 m_pid;
    int m_handle = -1;
    std::atomic<bool> m_reaped = false;
};

/// When a process started, as text that tells it from a later process given
/// the same id; empty when no process has the id.
QString processStartTime(qint64 pid);

/// Whether a process with this id exists.
bool processRuns(qint64 pid);

/// The id of the user this program runs as.
uint userId();

/// Removes path if it is a socket of this user's own, never through a link.
bool removeOwnSocket(const QString& path);

/// The memory a process holds in RAM, in bytes; -1 when it cannot be told.
qint64 residentBytes(qint64 pid);

/// Calls handler on the event loop when the system asks the program to end
/// (SIGTERM, SIGINT, SIGHUP), so that it ends as if its window were closed;
/// for as long as the object returned lives. urgent, when given, is called at
/// once on a thread of its own, for what cannot wait for the event loop (a
/// call the office keeps waiting on). Both are given the signal's number.
[[nodiscard]] std::unique_ptr<QObject> onTerminationRequest(std::function<void(int signal)> handler,
                                                            std::function<void(int signal)> urgent = {});

} // namespace Platform
