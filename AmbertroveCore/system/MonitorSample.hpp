#pragma once

#include "base/Date.hpp"
#include "system/ProcessInfoRow.hpp"
#include "system/VolumeInfo.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace ambertrove {

// One reading of the machine. A default-made sample is the empty one: the current time, zeros, empty lists.
struct MonitorSample {
    Date date = Date::now(); // when the reading began
    double cpu = 0;          // percent of the interval's ticks in user, system and nice states
    double userCPU = 0;      // percent in user state
    double systemCPU = 0;    // percent in system state
    std::int64_t memoryUsed = 0;
    std::int64_t memoryTotal = 0;
    std::int64_t wired = 0;
    std::int64_t compressed = 0;
    std::int64_t cached = 0;
    std::vector<double> loadAverages; // over 1, 5 and 15 minutes, as many as the system gave
    double uptime = 0;                // seconds since the system started
    std::int64_t download = 0;        // bytes per second over the interval
    std::int64_t upload = 0;
    std::int64_t received = 0; // bytes since the sampler was made
    std::int64_t sent = 0;
    std::vector<ProcessInfoRow> processes; // by CPU use, highest first
    std::vector<VolumeInfo> volumes;
    std::vector<std::string> issues; // one sentence per reading that failed
};

} // namespace ambertrove
