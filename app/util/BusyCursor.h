#pragma once
// The application-wide hourglass, held for the lifetime of the object.

class ApplicationBusy {
public:
    ApplicationBusy();
    ~ApplicationBusy();
    ApplicationBusy(const ApplicationBusy&) = delete;
    ApplicationBusy& operator=(const ApplicationBusy&) = delete;

private:
    bool m_set = false;
};
