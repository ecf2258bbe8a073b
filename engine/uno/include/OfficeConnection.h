#pragma once
// The program's own office: a private headless process, started on first use,
// reached over a pipe of its own, started again when it has died, and ended
// when the connection is destroyed (or, should this process die, with it).
// Two programs, or a user's own office, never share it.

#include "Office.h"

#include <QString>

#include <memory>

class OfficeConnection : public office::Office {
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
        /// The most memory the office may hold during a call; past it the
        /// office is ended and the call fails. 0: no cap.
        int memoryCapMb = 0;
        /// Calls run on a thread of their own while this thread handles its
        /// events: a window stays alive through a long call.
        bool letEventsIn = false;
    };

    OfficeConnection();
    explicit OfficeConnection(Options options);
    ~OfficeConnection() override;
    OfficeConnection(const OfficeConnection&) = delete;
    OfficeConnection& operator=(const OfficeConnection&) = delete;

    void start() override;
    std::shared_ptr<office::Document> open(const QString& url) override;
    /// Asks the office to terminate, waits, then kills it; and starts another.
    void restart() override;
    /// At once, as abort(), while a call is under way: it cannot be waited for.
    void shutdown() override;
    void abort() override;
    qint64 residentBytes() const override;
    int starts() const override;

    /// The office process's id, 0 when none runs.
    qint64 processId() const;
    /// How many remote calls were begun so far, from any thread.
    quint64 calls() const;
    /// Waits until more than `before` calls were begun, at most `limitMs`;
    /// whether they were.
    bool waitForCall(quint64 before, int limitMs) const;
    /// Whether a remote call is under way now.
    bool callUnderWay() const;

    /// The office binary to start, or empty when none is found.
    static QString findSoffice();

private:
    void ensureRunning();
    friend struct OfficeConnectionAccess;
    struct Impl;
    std::unique_ptr<Impl> d;
};
