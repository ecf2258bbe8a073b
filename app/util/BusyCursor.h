#pragma once
// The application-wide hourglass, held for the lifetime of the object.

class ApplicationBusy {
public:
    ApplicationBusy();
    ~ApplicationBusy();
    ApplicationBusy(const ApplicationBusy&) = delete;
    ApplicationBusy& operator=(const ApplicationBusy&) = delete;

    /// True while any ApplicationBusy is alive.
    static bool active();

private:
    bool m_set = false;
};
