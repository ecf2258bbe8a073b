#pragma once
// A run over many files, as both front ends drive it: the window's Start and
// the batch command's workers. It owns the office's life (its start, a
// restart after so many files or past a memory limit, its end) and gives back
// per file what was done as data: done or failed, each error report, what was
// emptied and kept. The window turns that into its boxes as they happen, the
// batch command into its report and messages; no front end reads another's
// texts.

#include "Calc1.h"

namespace Run {

/// When the office is started anew between files.
struct Recycling {
    int files = 0; ///< after so many files; 0: never
    int memoryMb = 0; ///< after a file that left it holding more; 0: never
};

/// The memory an office may hold while it works on a file, when the user
/// names none: half the machine's memory, shared by the offices that run at
/// once, but never less than a large workbook needs.
int defaultOfficeMemoryMb(int offices);

struct Outcome {
    Calc1::FileResult result;
    /// Given up because the program is ending: neither done nor failed.
    bool interrupted = false;
    /// Why the office is started anew before the next file; empty: it is not.
    QString restart;

    /// A file fails when a step failed, or its result was to be stored and was not.
    bool failed(bool stored) const
    {
        return !interrupted && (!result.failures.isEmpty() || (stored && !result.done));
    }
};

class Service {
public:
    explicit Service(office::Office& office, Recycling recycling = {});

    /// Starts the office, as the window's check at start-up asks; throws
    /// office::Error when none can be started.
    void startOffice() { m_office.start(); }

    /// One file, with a set of seen texts of its own. The job settings are
    /// read at the moments the engine needs them.
    Outcome process(const QString& path, const JobSettings& settings, Host& host, const Calc1::FileOptions& options);

    /// Ends the office for good.
    void shutdown() { m_office.shutdown(); }
    /// Ends it at once and for good, from any thread.
    void abort() { m_office.abort(); }

private:
    office::Office& m_office;
    Recycling m_recycling;
    int m_sinceStart = 0, m_starts = 0;
    bool m_restartDue = false;
};

} // namespace Run
