#include "analysis/AgeRange.hpp"

namespace ambertrove {

std::optional<AgeRange> ageRangeFromRawValue(std::int64_t raw) {
    if (raw < 0 || raw > 5)
        return std::nullopt;
    return static_cast<AgeRange>(raw);
}

std::string_view title(AgeRange range) {
    switch (range) {
    case AgeRange::week:
        return "Last 7 days";
    case AgeRange::month:
        return "8\u201330 days";
    case AgeRange::quarter:
        return "1\u20133 months";
    case AgeRange::year:
        return "3\u201312 months";
    case AgeRange::twoYears:
        return "1\u20132 years";
    case AgeRange::older:
        return "Over 2 years";
    }
    return {};
}

AgeRange ageRangeContaining(Date date, Date now) {
    const double days = now.secondsSince(date) / 86400.0;
    if (!(days >= 0) || days <= 7)
        return AgeRange::week;
    if (days <= 30)
        return AgeRange::month;
    if (days <= 90)
        return AgeRange::quarter;
    if (days <= 365)
        return AgeRange::year;
    if (days <= 730)
        return AgeRange::twoYears;
    return AgeRange::older;
}

} // namespace ambertrove
