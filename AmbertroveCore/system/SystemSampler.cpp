#include "system/SystemSampler.hpp"

#include "platform/Saturating.hpp"
#include "system/SystemCommand.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <limits>

namespace ambertrove {

namespace {

constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();

// Bytes per second cut toward zero, at most the largest 64-bit value.
std::int64_t rate(std::uint64_t bytes, double seconds) {
    const double value = std::trunc(double(bytes) / seconds);
    return value >= 9.2233720368547758e18 ? kInt64Max : static_cast<std::int64_t>(value);
}

// The output split at line feeds, empty lines dropped.
std::vector<std::string_view> nonEmptyLines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        if (end > start)
            lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\n';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// from_chars takes a "-" but no "+": drops a leading "+", and refuses a second sign after it.
bool dropPlusSign(std::string_view& field) {
    if (!field.starts_with('+'))
        return true;
    field.remove_prefix(1);
    return !field.starts_with('+') && !field.starts_with('-');
}

// An optional sign then digits, the whole field, within 64 bits.
std::optional<std::int64_t> integerField(std::string_view field) {
    if (!dropPlusSign(field))
        return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size())
        return std::nullopt;
    return value;
}

// A number in the C locale's syntax (decimal point, never comma). Infinities and NaN are refused: they would
// give the CPU sort no order.
std::optional<double> decimalField(std::string_view field) {
    if (!dropPlusSign(field))
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::int64_t kibibytesToBytes(std::int64_t kibibytes) {
    if (kibibytes > kInt64Max / 1024)
        return kInt64Max;
    if (kibibytes < std::numeric_limits<std::int64_t>::min() / 1024)
        return std::numeric_limits<std::int64_t>::min();
    return kibibytes * 1024;
}

} // namespace

SystemSampler::SystemSampler() = default;

SystemSampler::SystemSampler(Sources sources)
    : m_sources(std::move(sources)) {}

MonitorSample SystemSampler::sample(const TaskCancellation& cancellation) {
    cancellation.check();
    MonitorSample sample;
    sample.date = m_sources.clock();

    timespec boot{};
    if (::clock_gettime(CLOCK_BOOTTIME, &boot) == 0)
        sample.uptime = double(boot.tv_sec) + double(boot.tv_nsec) / 1e9;

    double loads[3];
    const int count = ::getloadavg(loads, 3);
    if (count >= 1)
        sample.loadAverages.assign(loads, loads + count);

    readCPU(sample);
    readMemory(sample);
    readNetwork(sample);
    readProcesses(sample, cancellation);
    cancellation.check();
    sample.volumes = VolumeInfo::mounted(m_sources.mountTable);
    return sample;
}

void SystemSampler::readCPU(MonitorSample& sample) {
    const std::optional<CpuTicks> current = readCpuTicks(m_sources.statFile);
    if (!current) {
        sample.issues.emplace_back("CPU statistics are unavailable.");
        return;
    }
    if (m_previousCPU) {
        // Unsigned subtraction is modulo 2^32, so a counter that wrapped still gives its true increase.
        const double user = std::uint32_t(current->user - m_previousCPU->user);
        const double system = std::uint32_t(current->system - m_previousCPU->system);
        const double idle = std::uint32_t(current->idle - m_previousCPU->idle);
        const double nice = std::uint32_t(current->nice - m_previousCPU->nice);
        const double total = user + system + idle + nice;
        if (total > 0) {
            sample.userCPU = user / total * 100;
            sample.systemCPU = system / total * 100;
            sample.cpu = (user + system + nice) / total * 100;
        }
    }
    m_previousCPU = current;
}

void SystemSampler::readMemory(MonitorSample& sample) const {
    const std::optional<MemoryInfo> info = readMemoryInfo(m_sources.memInfoFile);
    if (!info) {
        sample.memoryTotal = physicalMemory();
        sample.issues.emplace_back("Memory statistics are unavailable.");
        return;
    }
    sample.memoryTotal = info->total;
    sample.wired = info->unevictable;
    sample.compressed = info->zswap;
    sample.cached = info->cached;
    const std::int64_t used = info->available < info->total ? info->total - info->available : 0;
    sample.memoryUsed = std::min(used, sample.memoryTotal);
}

void SystemSampler::readNetwork(MonitorSample& sample) {
    const std::optional<NetworkTotals> totals = readNetworkTotals(m_sources.interfaceFolder);
    if (!totals) {
        sample.issues.emplace_back("Network statistics are unavailable.");
        return;
    }
    if (m_previousNetwork) {
        double interval = sample.date.secondsSince(m_previousNetwork->date);
        if (!(interval >= 0.01)) // also when the clock went backwards
            interval = 0.01;
        // A total lower than before (a counter reset, an interface gone) counts as no traffic.
        const std::uint64_t received = totals->received >= m_previousNetwork->received
                                           ? totals->received - m_previousNetwork->received
                                           : 0;
        const std::uint64_t sent =
            totals->sent >= m_previousNetwork->sent ? totals->sent - m_previousNetwork->sent : 0;
        sample.download = rate(received, interval);
        sample.upload = rate(sent, interval);
        m_sessionReceived = Saturating::sum(m_sessionReceived, received);
        m_sessionSent = Saturating::sum(m_sessionSent, sent);
    }
    sample.received = Saturating::signedCount(m_sessionReceived);
    sample.sent = Saturating::signedCount(m_sessionSent);
    m_previousNetwork = NetworkReading{totals->received, totals->sent, sample.date};
}

void SystemSampler::readProcesses(MonitorSample& sample, const TaskCancellation& cancellation) const {
    try {
        sample.processes = processListing(m_sources.processListingCommand, cancellation);
    } catch (const CancellationError&) {
        throw;
    } catch (const std::exception& error) {
        sample.issues.emplace_back(error.what());
        return;
    }
    std::stable_sort(sample.processes.begin(), sample.processes.end(),
                     [](const ProcessInfoRow& a, const ProcessInfoRow& b) { return a.cpu > b.cpu; });
}

std::vector<ProcessInfoRow> SystemSampler::processListing(const std::string& command,
                                                          const TaskCancellation& cancellation) {
    return parseProcessListing(
        SystemCommand::run(command, {"-axo", "pid=,pcpu=,rss=,comm="}, kCommandTimeout, cancellation));
}

std::vector<ProcessInfoRow> SystemSampler::parseProcessListing(std::string_view output) {
    std::vector<ProcessInfoRow> rows;
    for (const std::string_view line : nonEmptyLines(output)) {
        // Three fields separated by runs of white space, then the rest of the line: the process name, which
        // may hold blanks and "/" (kernel threads such as "kworker/R-rcu_gp") and is taken whole.
        std::string_view fields[3];
        std::size_t position = 0;
        std::size_t count = 0;
        for (; count < 3; ++count) {
            while (position < line.size() && isSpace(line[position]))
                ++position;
            const std::size_t start = position;
            while (position < line.size() && !isSpace(line[position]))
                ++position;
            if (position == start)
                break;
            fields[count] = line.substr(start, position - start);
        }
        if (count < 3)
            continue;
        const std::optional<std::int64_t> id = integerField(fields[0]);
        const std::optional<double> cpu = decimalField(fields[1]);
        const std::optional<std::int64_t> kibibytes = integerField(fields[2]);
        const std::string_view name = position < line.size() ? trimmed(line.substr(position + 1)) : "";
        if (!id || !cpu || !kibibytes || name.empty())
            continue;
        rows.push_back(ProcessInfoRow{*id, std::string(name), *cpu, kibibytesToBytes(*kibibytes)});
    }
    return rows;
}

std::vector<std::string> SystemSampler::timeMachineSnapshots(const std::string& volume,
                                                             const TaskCancellation& cancellation) {
    return parseTimeMachineSnapshots(SystemCommand::run(kTimeMachineCommand, {"listlocalsnapshots", volume},
                                                        kCommandTimeout, cancellation));
}

std::vector<std::string> SystemSampler::parseTimeMachineSnapshots(std::string_view output) {
    std::vector<std::string> names;
    for (const std::string_view line : nonEmptyLines(output))
        if (line.starts_with("com.apple.TimeMachine."))
            names.emplace_back(line);
    return names;
}

} // namespace ambertrove
