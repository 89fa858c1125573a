#pragma once

#include "base/AmbertroveError.hpp"

#include <functional>
#include <stop_token>
#include <utility>

namespace ambertrove {

// The running task's cancellation as the queries, summaries and exports poll it: the task's stop token,
// or any test of it (tests count and script the polls through the second form).
class TaskCancellation {
public:
    TaskCancellation() = default; // never cancelled
    TaskCancellation(std::stop_token token)
        : m_token(std::move(token)) {} // NOLINT: converts on purpose
    explicit TaskCancellation(std::function<bool()> isCancelled)
        : m_test(std::move(isCancelled)) {}

    [[nodiscard]] bool isCancelled() const { return m_test ? m_test() : m_token.stop_requested(); }
    // Throws CancellationError when the task was cancelled.
    void check() const {
        if (isCancelled())
            throw CancellationError();
    }

private:
    std::stop_token m_token;
    std::function<bool()> m_test;
};

} // namespace ambertrove
