#pragma once

#include <mutex>
#include <optional>
#include <string>

namespace ambertrove {

// The folder the user browses while a scan runs; the scanner previews it in its progress reports.
class ScanNavigation final {
public:
    ScanNavigation() = default;
    ScanNavigation(const ScanNavigation&) = delete;
    ScanNavigation& operator=(const ScanNavigation&) = delete;

    void focus(std::string path) {
        std::lock_guard lock(m_lock);
        m_path = std::move(path);
    }
    [[nodiscard]] std::optional<std::string> requestedPath() const {
        std::lock_guard lock(m_lock);
        return m_path;
    }

private:
    mutable std::mutex m_lock;
    std::optional<std::string> m_path;
};

} // namespace ambertrove
