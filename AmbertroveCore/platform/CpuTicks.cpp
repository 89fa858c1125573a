#include "platform/CpuTicks.hpp"

#include "platform/ProcText.hpp"

#include <array>

namespace ambertrove {

std::optional<CpuTicks> readCpuTicks(const std::string& statFile) {
    const std::optional<std::string> text = ProcText::read(statFile);
    if (!text)
        return std::nullopt;
    for (std::string_view line : ProcText::lines(*text)) {
        std::string_view rest = line;
        if (ProcText::nextField(rest) != "cpu")
            continue;
        // user nice system idle iowait irq softirq …; kernels before 2.6 stop after idle.
        std::array<std::uint64_t, 7> values{};
        std::size_t count = 0;
        for (; count < values.size(); ++count) {
            const std::string_view field = ProcText::nextField(rest);
            if (field.empty())
                break;
            const std::optional<std::uint64_t> value = ProcText::unsignedNumber(field);
            if (!value)
                return std::nullopt;
            values[count] = *value;
        }
        if (count < 4)
            return std::nullopt;
        const auto [user, nice, system, idle, iowait, irq, softirq] = values;
        CpuTicks ticks;
        ticks.user = static_cast<std::uint32_t>(user + nice);
        ticks.system = static_cast<std::uint32_t>(system + irq + softirq);
        ticks.idle = static_cast<std::uint32_t>(idle + iowait);
        return ticks;
    }
    return std::nullopt;
}

} // namespace ambertrove
