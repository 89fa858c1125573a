#pragma once

#include <cstdint>
#include <stop_token>

namespace ambertrove {

// The running task's cancellation as the queries poll it: at their start and end, every 512 visited
// entries and every 1024 comparisons of a sort. Spacing the checks keeps their cost small on scans of
// millions of entries. A stop is reported by throwing CancellationError, never by a short result.
class TaskCancellation {
public:
    explicit TaskCancellation(std::stop_token token = {})
        : m_token(std::move(token)) {}

    // Throws CancellationError when the task has been asked to stop.
    void check() const;
    // Counts one visited entry and checks before the first and every 512th after it.
    void visit() {
        if (m_visits++ % 512 == 0)
            check();
    }
    // Counts one comparison of a sort and checks at every 1024th.
    void compare() {
        if (++m_comparisons % 1024 == 0)
            check();
    }
    [[nodiscard]] const std::stop_token& token() const { return m_token; }

private:
    std::stop_token m_token;
    std::uint64_t m_visits = 0;
    std::uint64_t m_comparisons = 0;
};

} // namespace ambertrove
