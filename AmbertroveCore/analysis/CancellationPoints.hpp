#pragma once

#include "analysis/TaskCancellation.hpp"

#include <cstdint>

namespace ambertrove {

// Polls a source of stops (a task's cancellation, or one shared by the parts of a task) at spaced points:
// before the first visited entry and at every 512th after it, and at every 1024th comparison of a sort,
// which keeps the cost small on scans of millions of entries. A stop throws CancellationError, never a
// short result.
template <class Source> class SpacedPolls {
public:
    explicit SpacedPolls(Source& source)
        : m_source(source) {}

    void check() const { m_source.check(); }
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

protected:
    Source& m_source;

private:
    std::uint64_t m_visits = 0;
    std::uint64_t m_comparisons = 0;
};

// The polls of one query, summary or export, also at its start and end.
class CancellationPoints : public SpacedPolls<const TaskCancellation> {
public:
    using SpacedPolls::SpacedPolls;

    // The task's cancellation, for work split over threads (see SharedCancellation).
    [[nodiscard]] const TaskCancellation& cancellation() const { return m_source; }
};

} // namespace ambertrove
