#include "platform/NetworkTotals.hpp"

#include "platform/ProcText.hpp"
#include "platform/Saturating.hpp"

#include <dirent.h>
#include <memory>
#include <net/if.h>
#include <vector>

namespace ambertrove {

namespace {

std::optional<std::uint64_t> readNumber(const std::string& path, int base = 10) {
    const std::optional<std::string> text = ProcText::read(path);
    if (!text)
        return std::nullopt;
    std::string_view rest = *text;
    return ProcText::unsignedNumber(ProcText::nextField(rest), base);
}

} // namespace

std::optional<NetworkTotals> readNetworkTotals(const std::string& interfaceFolder) {
    std::vector<std::string> names;
    {
        const std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(interfaceFolder.c_str()), ::closedir);
        if (!folder)
            return std::nullopt;
        while (const dirent* entry = ::readdir(folder.get())) {
            const std::string_view name = entry->d_name;
            if (name != "." && name != "..")
                names.emplace_back(name);
        }
    }
    NetworkTotals totals;
    for (const std::string& name : names) {
        const std::string base = interfaceFolder + "/" + name;
        const std::optional<std::uint64_t> flags = readNumber(base + "/flags", 16);
        if (!flags || (*flags & IFF_LOOPBACK))
            continue;
        const std::optional<std::uint64_t> received = readNumber(base + "/statistics/rx_bytes");
        const std::optional<std::uint64_t> sent = readNumber(base + "/statistics/tx_bytes");
        if (!received || !sent)
            continue;
        totals.received = Saturating::sum(totals.received, *received);
        totals.sent = Saturating::sum(totals.sent, *sent);
    }
    return totals;
}

} // namespace ambertrove
