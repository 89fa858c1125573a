#pragma once

#include "base/Date.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace ambertrove {

// The Gregorian calendar in one time zone: which calendar month an instant falls in there.
// Calendar::current() follows the process's time zone (TZ, else the system's); tests fix a zone.
class Calendar {
public:
    // One month of the calendar: its numbers and the instants (seconds since 1970) where it begins and
    // where the next month begins.
    struct Month {
        std::int64_t year = 1970;
        std::int64_t month = 1;
        double start = 0;
        double end = 0;
    };

    static Calendar current();
    static Calendar utc();
    // An Olson zone identifier such as "Europe/Berlin"; an unknown one gives UTC.
    static Calendar inTimeZone(const std::string& identifier);

    Calendar(const Calendar&);
    Calendar& operator=(const Calendar&);
    Calendar(Calendar&&) noexcept;
    Calendar& operator=(Calendar&&) noexcept;
    ~Calendar();

    // The month holding the instant; nothing when the calendar cannot place it (NaN, or beyond the years
    // it counts).
    [[nodiscard]] std::optional<Month> monthContaining(Date date) const;
    [[nodiscard]] std::string timeZoneIdentifier() const;

private:
    struct Zone;
    explicit Calendar(std::shared_ptr<const Zone> zone);
    std::shared_ptr<const Zone> m_zone;
};

} // namespace ambertrove
