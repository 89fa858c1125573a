#pragma once

#include <memory>
#include <mutex>

namespace ambertrove {

// The stop flag shared by the controller and one long job. A flag serves one job: it never clears.
class CancellationFlag final {
public:
    CancellationFlag() = default;
    CancellationFlag(const CancellationFlag&) = delete;
    CancellationFlag& operator=(const CancellationFlag&) = delete;

    void cancel() {
        std::lock_guard lock(m_lock);
        m_stopped = true;
    }
    [[nodiscard]] bool isCancelled() const {
        std::lock_guard lock(m_lock);
        return m_stopped;
    }
    // Throws CancellationError once cancel() was called.
    void check() const;

private:
    mutable std::mutex m_lock;
    bool m_stopped = false;
};

} // namespace ambertrove
