#pragma once

#include <compare>
#include <cstdint>

namespace ambertrove {

// An instant, kept as the stored form: seconds since 2001-01-01 00:00:00 UTC.
struct Date {
    // Seconds from 1970-01-01 to 2001-01-01.
    static constexpr std::int64_t kUnixOffset = 978307200;

    double sinceReferenceDate = 0;

    static Date fromUnix(double unixSeconds) { return Date{unixSeconds - double(kUnixOffset)}; }
    static Date fromUnixSeconds(std::int64_t unixSeconds) { return Date{double(unixSeconds - kUnixOffset)}; }
    static Date now();
    [[nodiscard]] double unixSeconds() const { return sinceReferenceDate + double(kUnixOffset); }
    [[nodiscard]] double secondsSince(Date earlier) const {
        return sinceReferenceDate - earlier.sinceReferenceDate;
    }

    friend auto operator<=>(const Date&, const Date&) = default;
};

} // namespace ambertrove
