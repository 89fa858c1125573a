#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ambertrove {

// Bytes received and sent so far by the network interfaces other than loopback, summed.
struct NetworkTotals {
    static constexpr const char* kInterfaceFolder = "/sys/class/net";

    std::uint64_t received = 0;
    std::uint64_t sent = 0;

    friend bool operator==(const NetworkTotals&, const NetworkTotals&) = default;
};

// Sums statistics/rx_bytes and tx_bytes of every interface folder in `interfaceFolder` whose "flags" lack
// IFF_LOOPBACK. An interface whose files cannot be read (it may just have gone away) is left out; nothing
// when the folder itself cannot be listed.
std::optional<NetworkTotals>
readNetworkTotals(const std::string& interfaceFolder = NetworkTotals::kInterfaceFolder);

} // namespace ambertrove
