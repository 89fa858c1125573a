#include "model/Formatting.hpp"

#include <array>
#include <cmath>
#include <cstdio>

namespace ambertrove {

namespace {

// Fixed-point text with `decimals` places, trailing zeros (and a bare point) removed.
std::string trimmedFixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text(buffer);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    return text;
}

} // namespace

std::string formattedBytes(std::int64_t bytes) {
    if (bytes == 0)
        return "Zero KB";
    const bool negative = bytes < 0;
    // The magnitude as unsigned so that INT64_MIN is representable.
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(bytes) : static_cast<std::uint64_t>(bytes);
    const std::string sign = negative ? "-" : "";
    if (magnitude == 1)
        return sign + "1 byte";
    if (magnitude < 1000)
        return sign + std::to_string(magnitude) + " bytes";

    struct Unit {
        const char* name;
        int decimals;
    };
    static constexpr std::array<Unit, 6> units = {
        {{"KB", 0}, {"MB", 1}, {"GB", 2}, {"TB", 2}, {"PB", 2}, {"EB", 2}}};
    double scaled = double(magnitude) / 1000.0;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const double factor = std::pow(10.0, units[i].decimals);
        const double rounded = std::round(scaled * factor) / factor;
        if (rounded < 1000.0 || i + 1 == units.size())
            return sign + trimmedFixed(rounded, units[i].decimals) + " " + units[i].name;
        scaled /= 1000.0;
    }
    return sign + "0 KB"; // not reached
}

std::string formattedShare(std::int64_t part, std::int64_t total) {
    if (total < 1)
        return "—";
    if (part < 1)
        return "0%";
    const double share = double(part) / double(total) * 100.0;
    if (share < 0.1)
        return "<0.1%";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.1f%%", share);
    return buffer;
}

} // namespace ambertrove
