#pragma once
// A small file system of its own for a test: full disks and read-only folders
// as a user meets them (permissions alone do not stop root, who runs CI).

#include <QDir>
#include <QProcess>
#include <QString>
#include <QTest>

class SmallDisk {
public:
    SmallDisk(const QString& path, const QString& size) : m_path(path)
    {
        QDir().mkpath(path);
        m_mounted = QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=" + size, "tmpfs", path}) == 0;
    }
    ~SmallDisk() { unmount(); }
    void unmount()
    {
        if (m_mounted)
            QProcess::execute("umount", {"-l", m_path});
        m_mounted = false;
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_mounted; }
    bool makeReadOnly() { return QProcess::execute("mount", {"-o", "remount,ro", m_path}) == 0; }

private:
    QString m_path;
    bool m_mounted = false;
};

/// In CI a test that needs its own file system fails without one; elsewhere
/// (a developer without root) it says why it did not run.
#define REQUIRE_MOUNTED(disk)                                                                                          \
    do {                                                                                                               \
        if (!(disk).mounted()) {                                                                                       \
            if (qEnvironmentVariableIsSet("CI"))                                                                       \
                QFAIL("could not mount a small file system");                                                          \
            QSKIP("mounting a small file system needs root");                                                          \
        }                                                                                                              \
    } while (false)
