#pragma once

// Holds the engine's busy flag (player input is ignored) for a scope, however it is left.
class TVelmorBusyScope {
public:
    explicit TVelmorBusyScope(bool& busy) : m_Busy(busy), m_Was(busy) { busy = true; }
    ~TVelmorBusyScope() { m_Busy = m_Was; }
    TVelmorBusyScope(const TVelmorBusyScope&) = delete;
    TVelmorBusyScope& operator=(const TVelmorBusyScope&) = delete;

private:
    bool& m_Busy;
    bool m_Was;
};
