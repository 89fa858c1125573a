#pragma once

#include "base/Date.hpp"

#include <atomic>

namespace ambertrove {

// Where the controller reads the time of day: the system's clock, or a fixed one in tests.
class Clock {
public:
    virtual ~Clock() = default;
    [[nodiscard]] virtual Date now() const = 0;

protected:
    Clock() = default;
    Clock(const Clock&) = default;
    Clock& operator=(const Clock&) = default;
};

class SystemClock final : public Clock {
public:
    [[nodiscard]] Date now() const override { return Date::now(); }
};

// A clock that shows what it was set to; safe to read from worker threads while a test sets it.
class FixedClock final : public Clock {
public:
    explicit FixedClock(Date date = {})
        : m_seconds(date.sinceReferenceDate) {}
    [[nodiscard]] Date now() const override { return Date{m_seconds.load()}; }
    void set(Date date) { m_seconds.store(date.sinceReferenceDate); }

private:
    std::atomic<double> m_seconds;
};

} // namespace ambertrove
