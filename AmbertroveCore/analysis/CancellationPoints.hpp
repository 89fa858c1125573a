#pragma once

#include "analysis/TaskCancellation.hpp"

#include <cstdint>

namespace ambertrove {

// Polls a task's cancellation at spaced points of one query, summary or export: at its start and end, every
// 512 visited entries and every 1024 comparisons of a sort, which keeps the cost small on scans of millions
// of entries. A stop throws CancellationError, never a short result.
class CancellationPoints {
public:
    explicit CancellationPoints(const TaskCancellation& cancellation)
        : m_cancellation(cancellation) {}

    void check() const { m_cancellation.check(); }
    // The task's cancellation, for work split over threads (see SharedCancellation).
    [[nodiscard]] const TaskCancellation& cancellation() const { return m_cancellation; }
    // Counts one visited entry: checks before the first and at every 512th after it.
    void visit() {
        if (m_visits++ % 512 == 0)
            check();
    }
    // Counts one comparison of a sort: checks at every 1024th.
    void compare() {
        if (++m_comparisons % 1024 == 0)
            check();
    }

private:
    const TaskCancellation& m_cancellation;
    std::uint64_t m_visits = 0;
    std::uint64_t m_comparisons = 0;
};

} // namespace ambertrove
