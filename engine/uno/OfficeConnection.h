#pragma once
// The program's own office: a private headless process, started on first use,
// reached over a pipe of its own, started again when it has died, and ended
// when the connection is destroyed (or, should this process die, with it).
// Two programs, or a user's own office, never share it.

#include "Office.h"

#include <QString>

#include <memory>

class OfficeConnection : public office::Provider {
public:
    struct Options {
        /// The office binary; empty: CELLWINNOW_SOFFICE, then the usual places.
        QString soffice;
        /// How long a start may take until the office answers.
        int startTimeoutMs = 60000;
        /// How long one call may wait for the office; then the office is ended.
        int callTimeoutMs = 5 * 60 * 1000;
        /// Runs the office in a network namespace of its own, with no way
        /// out, where the system allows one.
        bool ownNetwork = true;
    };

    OfficeConnection();
    explicit OfficeConnection(Options options);
    ~OfficeConnection() override;
    OfficeConnection(const OfficeConnection&) = delete;
    OfficeConnection& operator=(const OfficeConnection&) = delete;

    /// The service manager of a live office; starts one when there is none,
    /// and restarts it when it died or stopped answering. Throws office::Error
    /// when no office can be started, office::Gone once shut down.
    std::shared_ptr<office::ServiceManager> serviceManager() override;

    /// Ends the office (asks it to terminate, waits, then kills it) and
    /// starts another: to bound what a long-lived office holds, or after it
    /// was lost. Throws as serviceManager() does.
    void restart();
    /// Ends the office for good: no other is started.
    void shutdown();
    /// Ends the office at once and for good, from any thread (the program is
    /// asked to end): a call or a start waiting on it fails at once.
    void abort();

    /// The office process's id, 0 when none runs.
    qint64 processId() const;
    /// How many offices this connection started.
    int starts() const;

    /// The office binary to start, or empty when none is found.
    static QString findSoffice();

private:
    friend struct OfficeConnectionAccess;
    struct Impl;
    std::unique_ptr<Impl> d;
};
