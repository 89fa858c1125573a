#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ambertrove {

// The machine's CPU time counters (all CPUs together), kept as 32-bit tick counters: the interval between two
// readings is measured by their differences taken modulo 2^32, so the width never matters.
struct CpuTicks {
    static constexpr const char* kStatFile = "/proc/stat";

    std::uint32_t user = 0;   // user and nice time (guest time is already part of both)
    std::uint32_t system = 0; // system time with hard and soft interrupt service
    std::uint32_t idle = 0;   // idle time with time spent waiting for I/O
    std::uint32_t nice = 0;   // always 0: nice time is counted as user time

    friend bool operator==(const CpuTicks&, const CpuTicks&) = default;
};

// Reads the "cpu" line of a /proc/stat file; nothing when the file or the line cannot be read.
std::optional<CpuTicks> readCpuTicks(const std::string& statFile = CpuTicks::kStatFile);

} // namespace ambertrove
