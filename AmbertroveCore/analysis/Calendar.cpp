#include "analysis/Calendar.hpp"

#include <unicode/gregocal.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <cmath>

namespace ambertrove {

namespace {

// Instants beyond about 5.8 million years from 1970 are outside the calendar's range, where it would clamp.
constexpr double kLimitSeconds = 1.8e14;

} // namespace

struct Calendar::Zone {
    std::unique_ptr<icu::TimeZone> zone;
};

Calendar::Calendar(std::shared_ptr<const Zone> zone)
    : m_zone(std::move(zone)) {}
Calendar::Calendar(const Calendar&) = default;
Calendar& Calendar::operator=(const Calendar&) = default;
Calendar::Calendar(Calendar&&) noexcept = default;
Calendar& Calendar::operator=(Calendar&&) noexcept = default;
Calendar::~Calendar() = default;

Calendar Calendar::current() {
    // Detected afresh so that the calendar follows the process's zone at the time of the call.
    auto zone = std::make_shared<Zone>();
    zone->zone.reset(icu::TimeZone::detectHostTimeZone());
    if (!zone->zone)
        zone->zone.reset(icu::TimeZone::getGMT()->clone());
    return Calendar(std::move(zone));
}

Calendar Calendar::utc() {
    return inTimeZone("UTC");
}

Calendar Calendar::inTimeZone(const std::string& identifier) {
    auto zone = std::make_shared<Zone>();
    zone->zone.reset(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(identifier)));
    if (!zone->zone)
        zone->zone.reset(icu::TimeZone::getGMT()->clone());
    return Calendar(std::move(zone));
}

std::string Calendar::timeZoneIdentifier() const {
    icu::UnicodeString id;
    m_zone->zone->getID(id);
    std::string out;
    id.toUTF8String(out);
    return out;
}

std::optional<Calendar::Month> Calendar::monthContaining(Date date) const {
    const double seconds = date.unixSeconds();
    if (!(std::abs(seconds) <= kLimitSeconds))
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    // A calendar object is not safe to share between threads; one per call keeps this one so.
    icu::GregorianCalendar calendar(*m_zone->zone, status);
    if (U_FAILURE(status))
        return std::nullopt;
    calendar.setTime(seconds * 1000.0, status);
    Month month;
    month.year = calendar.get(UCAL_EXTENDED_YEAR, status);
    month.month = calendar.get(UCAL_MONTH, status) + 1;
    if (U_FAILURE(status))
        return std::nullopt;
    calendar.set(UCAL_DATE, 1);
    calendar.set(UCAL_HOUR_OF_DAY, 0);
    calendar.set(UCAL_MINUTE, 0);
    calendar.set(UCAL_SECOND, 0);
    calendar.set(UCAL_MILLISECOND, 0);
    const UDate start = calendar.getTime(status);
    calendar.add(UCAL_MONTH, 1, status);
    const UDate end = calendar.getTime(status);
    if (U_FAILURE(status))
        return month;
    month.start = start / 1000.0;
    month.end = end / 1000.0;
    if (!(month.start <= seconds && seconds < month.end))
        month.start = month.end = seconds; // an odd zone transition: the bounds are not trusted
    return month;
}

} // namespace ambertrove
