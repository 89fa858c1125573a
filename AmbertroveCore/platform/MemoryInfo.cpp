#include "platform/MemoryInfo.hpp"

#include "platform/ProcText.hpp"
#include "platform/Saturating.hpp"

#include <unistd.h>

namespace ambertrove {

std::optional<MemoryInfo> readMemoryInfo(const std::string& memInfoFile) {
    const std::optional<std::string> text = ProcText::read(memInfoFile);
    if (!text)
        return std::nullopt;
    MemoryInfo info;
    bool hasTotal = false, hasAvailable = false;
    for (std::string_view line : ProcText::lines(*text)) {
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view key = line.substr(0, colon);
        std::string_view rest = line.substr(colon + 1);
        const std::optional<std::uint64_t> number = ProcText::unsignedNumber(ProcText::nextField(rest));
        if (!number)
            continue;
        const std::string_view unit = ProcText::nextField(rest);
        const std::int64_t value = Saturating::bytes(*number, unit == "kB" ? 1024 : 1);
        if (key == "MemTotal") {
            info.total = value;
            hasTotal = true;
        } else if (key == "MemAvailable") {
            info.available = value;
            hasAvailable = true;
        } else if (key == "Unevictable") {
            info.unevictable = value;
        } else if (key == "Zswap") {
            info.zswap = value;
        } else if (key == "Cached") {
            info.cached = value;
        }
    }
    if (!hasTotal || !hasAvailable)
        return std::nullopt;
    return info;
}

std::int64_t physicalMemory() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    return Saturating::bytes(static_cast<std::uint64_t>(pages), static_cast<std::uint64_t>(pageSize));
}

} // namespace ambertrove
