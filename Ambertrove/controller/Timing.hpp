#pragma once

#include <chrono>

namespace ambertrove {

// The controller's waits. Tests shorten them; they never change behaviour, only when things happen.
struct Timing {
    // The pause before a view query starts, so that a burst of changes starts one query.
    std::chrono::milliseconds queryPause{70};
    // Between a monitor reading being shown and the next reading starting.
    std::chrono::milliseconds monitorInterval{2000};
    // How long a self-dismissing notification stays.
    std::chrono::milliseconds toastDuration{8000};
};

} // namespace ambertrove
