#pragma once

#include <cstdint>
#include <string>

namespace ambertrove {

// A byte count in decimal units, file style: "Zero KB", "1 byte", "999 bytes", "1 KB", "1.5 MB", "1.23 GB".
std::string formattedBytes(std::int64_t bytes);
// A part of a total as a percentage: "—", "0%", "<0.1%" or "12.5%".
std::string formattedShare(std::int64_t part, std::int64_t total);

} // namespace ambertrove
