#pragma once

#include "base/Date.hpp"
#include "base/TaskCancellation.hpp"
#include "platform/CpuTicks.hpp"
#include "platform/MemoryInfo.hpp"
#include "platform/NetworkTotals.hpp"
#include "system/MonitorSample.hpp"
#include "system/ProcessInfoRow.hpp"
#include "system/VolumeInfo.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ambertrove {

// Takes readings of the machine for the monitor, one at a time. It keeps the counters of the previous
// reading, so that CPU use and network rates cover the interval between two readings; use one sampler from
// one task.
class SystemSampler final {
public:
    static constexpr const char* kProcessListingCommand = "/bin/ps";
    static constexpr const char* kTimeMachineCommand = "/usr/bin/tmutil";
    static constexpr double kCommandTimeout = 10;

    // Where the readings come from; the defaults are the running system's.
    struct Sources {
        std::string statFile = CpuTicks::kStatFile;
        std::string memInfoFile = MemoryInfo::kMemInfoFile;
        std::string interfaceFolder = NetworkTotals::kInterfaceFolder;
        std::string mountTable = VolumeInfo::kMountTable;
        std::string processListingCommand = kProcessListingCommand;
        std::function<Date()> clock = [] {
            return Date::now();
        };
    };

    SystemSampler();
    explicit SystemSampler(Sources sources);

    // One reading. A reading that fails leaves its fields at zero and adds a sentence to issues; the only
    // throw is CancellationError, once `cancellation` is cancelled (a listing command running then is
    // killed).
    MonitorSample sample(const TaskCancellation& cancellation = {});

    // Every process, in the order of the listing command's output. Throws what the command throws.
    static std::vector<ProcessInfoRow> processListing(const std::string& command = kProcessListingCommand,
                                                      const TaskCancellation& cancellation = {});
    // The rows of the listing's output; lines that do not parse are left out.
    [[nodiscard]] static std::vector<ProcessInfoRow> parseProcessListing(std::string_view output);

    // The names of the local Time Machine snapshots of `volume`. Throws what the command throws.
    static std::vector<std::string> timeMachineSnapshots(const std::string& volume,
                                                         const TaskCancellation& cancellation = {});
    [[nodiscard]] static std::vector<std::string> parseTimeMachineSnapshots(std::string_view output);

private:
    struct NetworkReading {
        std::uint64_t received = 0;
        std::uint64_t sent = 0;
        Date date;
    };

    void readCPU(MonitorSample& sample);
    void readMemory(MonitorSample& sample) const;
    void readNetwork(MonitorSample& sample);
    void readProcesses(MonitorSample& sample, const TaskCancellation& cancellation) const;

    Sources m_sources;
    std::optional<CpuTicks> m_previousCPU;
    std::optional<NetworkReading> m_previousNetwork;
    std::uint64_t m_sessionReceived = 0;
    std::uint64_t m_sessionSent = 0;
};

} // namespace ambertrove
