#include "system/SystemSampler.hpp"
#include "base/AmbertroveError.hpp"
#include "base/PathText.hpp"
#include "platform/AtomicFile.hpp"
#include "platform/CpuTicks.hpp"
#include "platform/MemoryInfo.hpp"
#include "platform/MountTable.hpp"
#include "platform/NetworkTotals.hpp"
#include "platform/PathResolution.hpp"
#include "support/CaseName.hpp"
#include "support/ScriptFile.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <sys/statvfs.h>
#include <unistd.h>

namespace ambertrove {

// Found by argument-dependent lookup, hence in the types' namespace; static keeps them to this file.
static void PrintTo(const ProcessInfoRow& row, std::ostream* out) {
    *out << "{" << row.id << ", \"" << row.name << "\", " << row.cpu << ", " << row.memory << "}";
}
static void PrintTo(const VolumeInfo& volume, std::ostream* out) {
    *out << "{" << volume.path << ", \"" << volume.name << "\", " << volume.total << ", " << volume.free
         << "}";
}

namespace {

using test::makeScript;
using test::TempDir;

// A machine made of fixture files, with a clock the test moves by hand.
class SystemSamplerTest : public ::testing::Test {
protected:
    SystemSamplerTest() {
        writeStat({0, 0, 0, 0, 0, 0, 0});
        writeMemInfo("MemTotal: 16 kB\nMemAvailable: 8 kB\n");
        dir.makeDir("net");
        writeProcessListing("printf '  1 0.0 4 init\\n'\n");
        dir.makeFile("mountinfo", "");
    }

    SystemSampler::Sources sources() {
        SystemSampler::Sources s;
        s.statFile = dir / "proc/stat";
        s.memInfoFile = dir / "proc/meminfo";
        s.interfaceFolder = dir / "net";
        s.mountTable = dir / "mountinfo";
        s.processListingCommand = dir / "ps";
        s.clock = [this] {
            return now;
        };
        return s;
    }

    // user nice system idle iowait irq softirq, then steal, guest and guest_nice as 0.
    void writeStat(const std::array<std::uint64_t, 7>& ticks) {
        std::string line = "cpu ";
        for (std::uint64_t tick : ticks)
            line += " " + std::to_string(tick);
        dir.makeFile("proc/stat", line + " 0 0 0\ncpu0 1 2 3 4 5 6 7 0 0 0\nintr 12345\n");
    }
    void writeMemInfo(const std::string& text) { dir.makeFile("proc/meminfo", text); }
    void writeInterface(const std::string& name, const char* flags, std::uint64_t received,
                        std::uint64_t sent) {
        dir.makeFile("net/" + name + "/flags", std::string(flags) + "\n");
        dir.makeFile("net/" + name + "/statistics/rx_bytes", std::to_string(received) + "\n");
        dir.makeFile("net/" + name + "/statistics/tx_bytes", std::to_string(sent) + "\n");
    }
    void writeProcessListing(const std::string& body) { makeScript(dir, "ps", body); }
    void advance(double seconds) { now.sinceReferenceDate += seconds; }

    TempDir dir;
    Date now = Date::fromUnixSeconds(1'700'000'000);
};

// CPU use over the interval between two readings.
struct CpuCase {
    const char* name;
    std::array<std::uint64_t, 7> before, after;
    double user, system, cpu;
};

class SystemSamplerCpu : public SystemSamplerTest, public ::testing::WithParamInterface<CpuCase> {};

TEST_P(SystemSamplerCpu, MeasuresTheIntervalBetweenReadings) {
    const CpuCase& c = GetParam();
    SystemSampler sampler(sources());
    writeStat(c.before);
    const MonitorSample first = sampler.sample();
    EXPECT_EQ(first.cpu, 0);
    EXPECT_EQ(first.userCPU, 0);
    EXPECT_EQ(first.systemCPU, 0);
    writeStat(c.after);
    advance(2);
    const MonitorSample second = sampler.sample();
    EXPECT_NEAR(second.userCPU, c.user, 1e-9);
    EXPECT_NEAR(second.systemCPU, c.system, 1e-9);
    EXPECT_NEAR(second.cpu, c.cpu, 1e-9);
    EXPECT_TRUE(second.issues.empty());
}

constexpr std::uint64_t k32 = 4294967296;

INSTANTIATE_TEST_SUITE_P(
    Ticks, SystemSamplerCpu,
    ::testing::Values(
        // user 40 (30 user + 10 nice), system 20 (10 + 5 irq + 5 softirq), idle 120 (100 + 20 iowait).
        CpuCase{"UserSystemIdle",
                {100, 0, 50, 1000, 0, 0, 0},
                {130, 10, 60, 1100, 20, 5, 5},
                40.0 / 180 * 100,
                20.0 / 180 * 100,
                60.0 / 180 * 100},
        CpuCase{"CounterWrapsPast32Bits", {k32 - 6, 0, 0, 0, 0, 0, 0}, {10, 0, 4, 0, 0, 0, 0}, 80, 20, 100},
        CpuCase{"SixtyFourBitCounters", {k32 - 6, 0, 0, 0, 0, 0, 0}, {k32 + 10, 0, 0, 4, 0, 0, 0}, 80, 0, 80},
        CpuCase{"NothingChanged", {5, 6, 7, 8, 9, 10, 11}, {5, 6, 7, 8, 9, 10, 11}, 0, 0, 0},
        CpuCase{"AllIdle", {5, 6, 7, 8, 9, 10, 11}, {5, 6, 7, 108, 9, 10, 11}, 0, 0, 0}),
    test::caseName<CpuCase>);

TEST_F(SystemSamplerTest, UnreadableCpuCountersKeepThePreviousReading) {
    SystemSampler sampler(sources());
    writeStat({100, 0, 0, 100, 0, 0, 0});
    (void)sampler.sample();
    ::unlink((dir / "proc/stat").c_str());
    const MonitorSample missing = sampler.sample();
    EXPECT_EQ(missing.issues, std::vector<std::string>{"CPU statistics are unavailable."});
    EXPECT_EQ(missing.cpu, 0);
    // The next reading is measured from the last one that succeeded.
    writeStat({130, 0, 0, 130, 0, 0, 0});
    const MonitorSample next = sampler.sample();
    EXPECT_TRUE(next.issues.empty());
    EXPECT_NEAR(next.userCPU, 50, 1e-9);
    EXPECT_NEAR(next.cpu, 50, 1e-9);
}

struct StatCase {
    const char* name;
    const char* text;
    std::optional<CpuTicks> ticks;
};

class CpuTicksFile : public ::testing::TestWithParam<StatCase> {};

TEST_P(CpuTicksFile, ReadsTheAllCpuLine) {
    TempDir dir;
    EXPECT_EQ(readCpuTicks(dir.makeFile("stat", GetParam().text)), GetParam().ticks);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CpuTicksFile,
    ::testing::Values(StatCase{"Full", "cpu  1 2 3 4 5 6 7 8 9 10\n", CpuTicks{3, 16, 9, 0}},
                      StatCase{"FourColumns", "cpu 1 2 3 4\n", CpuTicks{3, 3, 4, 0}},
                      StatCase{"AfterOtherLines", "intr 1\ncpu0 9 9 9 9\ncpu 1 1 1 1\n",
                               CpuTicks{2, 1, 1, 0}},
                      StatCase{"OnlyPerCpuLines", "cpu0 1 2 3 4\ncpu1 1 2 3 4\n", std::nullopt},
                      StatCase{"TooFewColumns", "cpu 1 2 3\n", std::nullopt},
                      StatCase{"NotANumber", "cpu 1 2 x 4\n", std::nullopt},
                      StatCase{"Empty", "", std::nullopt}),
    test::caseName<StatCase>);

TEST(CpuTicksFile, MissingFileGivesNothing) {
    TempDir dir;
    EXPECT_EQ(readCpuTicks(dir / "none"), std::nullopt);
}

// Memory figures from meminfo.
struct MemoryCase {
    const char* name;
    const char* meminfo;
    std::int64_t used, total, wired, compressed, cached;
};

class SystemSamplerMemory : public SystemSamplerTest, public ::testing::WithParamInterface<MemoryCase> {};

TEST_P(SystemSamplerMemory, ReadsTheFigures) {
    const MemoryCase& c = GetParam();
    writeMemInfo(c.meminfo);
    const MonitorSample sample = SystemSampler(sources()).sample();
    EXPECT_EQ(sample.memoryUsed, c.used);
    EXPECT_EQ(sample.memoryTotal, c.total);
    EXPECT_EQ(sample.wired, c.wired);
    EXPECT_EQ(sample.compressed, c.compressed);
    EXPECT_EQ(sample.cached, c.cached);
    EXPECT_TRUE(sample.issues.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, SystemSamplerMemory,
    ::testing::Values(
        MemoryCase{
            "AllFigures",
            "MemTotal:       16384 kB\nMemFree:        1000 kB\nMemAvailable:    4096 kB\n"
            "Cached:          2048 kB\nUnevictable:       64 kB\nZswap:     128 kB\nZswapped: 512 kB\n",
            12288 * 1024, 16384 * 1024, 64 * 1024, 128 * 1024, 2048 * 1024},
        MemoryCase{"NoZswap", "MemTotal: 100 kB\nMemAvailable: 40 kB\nCached: 10 kB\nUnevictable: 1 kB\n",
                   60 * 1024, 100 * 1024, 1024, 0, 10 * 1024},
        MemoryCase{"AvailableAboveTotal", "MemTotal: 100 kB\nMemAvailable: 140 kB\n", 0, 100 * 1024, 0, 0, 0},
        MemoryCase{"NothingAvailable", "MemTotal: 100 kB\nMemAvailable: 0 kB\n", 100 * 1024, 100 * 1024, 0, 0,
                   0},
        MemoryCase{"ValuesWithoutUnit", "MemTotal: 100\nMemAvailable: 40\nHugePages_Total: 7\n", 60, 100, 0,
                   0, 0}),
    test::caseName<MemoryCase>);

TEST_F(SystemSamplerTest, UnreadableMemoryStatisticsKeepThePhysicalMemory) {
    for (const char* meminfo : {"", "MemTotal: 100 kB\n", "MemFree: 1 kB\nMemAvailable: 40 kB\n"}) {
        writeMemInfo(meminfo);
        const MonitorSample sample = SystemSampler(sources()).sample();
        EXPECT_EQ(sample.issues, std::vector<std::string>{"Memory statistics are unavailable."}) << meminfo;
        EXPECT_EQ(sample.memoryTotal, physicalMemory());
        EXPECT_GT(sample.memoryTotal, 0);
        EXPECT_EQ(sample.memoryUsed, 0);
        EXPECT_EQ(sample.wired, 0);
        EXPECT_EQ(sample.compressed, 0);
        EXPECT_EQ(sample.cached, 0);
    }
}

// Network rates and running totals.
TEST_F(SystemSamplerTest, FirstSampleHasZeroRatesAndTotals) {
    writeInterface("eth0", "0x1003", 5000, 7000);
    const MonitorSample sample = SystemSampler(sources()).sample();
    EXPECT_EQ(sample.download, 0);
    EXPECT_EQ(sample.upload, 0);
    EXPECT_EQ(sample.received, 0);
    EXPECT_EQ(sample.sent, 0);
    EXPECT_EQ(sample.cpu, 0);
    EXPECT_EQ(sample.date, now);
    EXPECT_TRUE(sample.issues.empty());
}

TEST_F(SystemSamplerTest, SumsEveryInterfaceButLoopback) {
    writeInterface("eth0", "0x1003", 1000, 100);
    writeInterface("wlan0", "0x1003", 2000, 200);
    writeInterface("lo", "0x9", 50000, 50000);
    writeInterface("gone", "0x1003", 0, 0);
    ::unlink((dir / "net/gone/statistics/rx_bytes").c_str());
    EXPECT_EQ(readNetworkTotals(dir / "net"), (NetworkTotals{3000, 300}));
    EXPECT_EQ(readNetworkTotals(dir / "none"), std::nullopt);

    SystemSampler sampler(sources());
    (void)sampler.sample();
    writeInterface("eth0", "0x1003", 1600, 150);
    writeInterface("wlan0", "0x1003", 2400, 250);
    writeInterface("lo", "0x9", 90000, 90000);
    advance(2);
    const MonitorSample sample = sampler.sample();
    EXPECT_EQ(sample.download, 500);
    EXPECT_EQ(sample.upload, 50);
    EXPECT_EQ(sample.received, 1000);
    EXPECT_EQ(sample.sent, 100);
}

// Received totals at successive readings, with the seconds since the previous one, and what each reading
// shows.
struct NetworkStep {
    std::uint64_t total;
    double seconds;
    std::int64_t download, received;
};

struct NetworkCase {
    const char* name;
    std::vector<NetworkStep> steps;
};

class SystemSamplerNetwork : public SystemSamplerTest, public ::testing::WithParamInterface<NetworkCase> {};

TEST_P(SystemSamplerNetwork, MeasuresRatesAndCountsTotals) {
    SystemSampler sampler(sources());
    for (std::size_t i = 0; i < GetParam().steps.size(); ++i) {
        const NetworkStep& step = GetParam().steps[i];
        writeInterface("eth0", "0x1003", step.total, step.total / 2);
        advance(step.seconds);
        const MonitorSample sample = sampler.sample();
        EXPECT_EQ(sample.download, step.download) << "step " << i;
        EXPECT_EQ(sample.received, step.received) << "step " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Steps, SystemSamplerNetwork,
    ::testing::Values(
        NetworkCase{"OneMillisecondCountsAsTenMilliseconds", {{0, 0, 0, 0}, {1000, 0.001, 100000, 1000}}},
        NetworkCase{"RateIsCutTowardZero", {{0, 0, 0, 0}, {1001, 2, 500, 1001}}},
        NetworkCase{"ClockWentBackwards", {{0, 0, 0, 0}, {10, -5, 1000, 10}}},
        NetworkCase{"TotalWentDown", {{4294967000, 0, 0, 0}, {500, 1, 0, 0}, {1500, 1, 1000, 1000}}},
        NetworkCase{"TotalsAccumulate", {{100, 0, 0, 0}, {300, 1, 200, 200}, {600, 2, 150, 500}}},
        NetworkCase{"HugeRateIsCapped", {{0, 0, 0, 0}, {18446744073709551615ull, 0, INT64_MAX, INT64_MAX}}}),
    test::caseName<NetworkCase>);

TEST_F(SystemSamplerTest, UnreadableInterfaceListKeepsThePreviousReading) {
    SystemSampler sampler(sources());
    writeInterface("eth0", "0x1003", 1000, 0);
    (void)sampler.sample();
    ::rename((dir / "net").c_str(), (dir / "net-away").c_str());
    advance(1);
    const MonitorSample missing = sampler.sample();
    EXPECT_EQ(missing.issues, std::vector<std::string>{"Network statistics are unavailable."});
    EXPECT_EQ(missing.download, 0);
    EXPECT_EQ(missing.received, 0);
    ::rename((dir / "net-away").c_str(), (dir / "net").c_str());
    writeInterface("eth0", "0x1003", 3000, 0);
    advance(1);
    // Two seconds since the last reading that succeeded.
    const MonitorSample next = sampler.sample();
    EXPECT_TRUE(next.issues.empty());
    EXPECT_EQ(next.download, 1000);
    EXPECT_EQ(next.received, 2000);
}

// The process list and its failure.
TEST_F(SystemSamplerTest, ProcessesAreSortedByCpuKeepingTheListingOrderForTies) {
    writeProcessListing(
        "printf ' 1 0.0 1 a\\n 2 5.0 1 b\\n 3 0.0 1 c\\n 4 7.5 1 d\\n 5 5.0 1 e\\n bad line\\n'\n");
    const MonitorSample sample = SystemSampler(sources()).sample();
    std::vector<std::int64_t> ids;
    for (const ProcessInfoRow& row : sample.processes)
        ids.push_back(row.id);
    EXPECT_EQ(ids, (std::vector<std::int64_t>{4, 2, 5, 1, 3}));
    EXPECT_EQ(sample.processes.front(), (ProcessInfoRow{4, "d", 7.5, 1024}));
}

TEST_F(SystemSamplerTest, FailedProcessListingIsOneIssueAndTheRestStays) {
    writeProcessListing("echo 'ps: cannot read the process table' >&2; exit 1\n");
    writeStat({10, 0, 10, 10, 0, 0, 0});
    writeInterface("eth0", "0x1003", 10, 10);
    dir.makeDir("vol");
    dir.makeFile("mountinfo", "30 1 8:1 / " + (dir / "vol") + " rw - ext4 /dev/sda1 rw\n");
    SystemSampler sampler(sources());
    (void)sampler.sample();
    writeStat({20, 0, 10, 20, 0, 0, 0});
    writeInterface("eth0", "0x1003", 110, 10);
    advance(1);
    const MonitorSample sample = sampler.sample();
    EXPECT_EQ(sample.issues, std::vector<std::string>{"ps: cannot read the process table"});
    EXPECT_TRUE(sample.processes.empty());
    EXPECT_NEAR(sample.cpu, 50, 1e-9);
    EXPECT_EQ(sample.memoryTotal, 16 * 1024);
    EXPECT_EQ(sample.download, 100);
    ASSERT_EQ(sample.volumes.size(), 1u);
    EXPECT_EQ(sample.volumes[0].path, dir / "vol");
}

TEST_F(SystemSamplerTest, MissingProcessListingCommandIsReportedByItsLaunchError) {
    SystemSampler::Sources s = sources();
    s.processListingCommand = dir / "no-such-command";
    const MonitorSample sample = SystemSampler(s).sample();
    EXPECT_EQ(sample.issues,
              std::vector<std::string>{s.processListingCommand + ": No such file or directory"});
}

TEST_F(SystemSamplerTest, EveryReadingFailingGivesOneIssueEachInStepOrder) {
    SystemSampler::Sources s = sources();
    s.statFile = dir / "none/stat";
    s.memInfoFile = dir / "none/meminfo";
    s.interfaceFolder = dir / "none/net";
    s.mountTable = dir / "none/mountinfo";
    writeProcessListing("exit 1\n");
    const MonitorSample sample = SystemSampler(s).sample();
    EXPECT_EQ(sample.issues, (std::vector<std::string>{"CPU statistics are unavailable.",
                                                       "Memory statistics are unavailable.",
                                                       "Network statistics are unavailable.", ""}));
    EXPECT_TRUE(sample.volumes.empty());
}

// Volumes from a mount table.
// As df counts them: the total leaves out the blocks reserved for the superuser.
std::int64_t statvfsBytes(const std::string& path, bool total) {
    struct statvfs values {};
    EXPECT_EQ(::statvfs(path.c_str(), &values), 0) << path;
    const auto reserved = values.f_bfree - values.f_bavail;
    return static_cast<std::int64_t>((total ? values.f_blocks - reserved : values.f_bavail) *
                                     values.f_frsize);
}

void expectCapacityOf(const VolumeInfo& volume, const std::string& folder) {
    EXPECT_EQ(volume.total, statvfsBytes(folder, true));
    EXPECT_GT(volume.total, 0);
    // Free space moves while other tests write; it is checked loosely.
    EXPECT_NEAR(double(volume.free), double(statvfsBytes(folder, false)), 256.0 * 1024 * 1024);
    EXPECT_EQ(volume.importantAvailable, volume.free);
}

class VolumeMountTable : public ::testing::TestWithParam<const char*> {};

TEST_P(VolumeMountTable, ListsRealFileSystemsInTableOrder) {
    TempDir dir;
    dir.makeDir("vol one");
    dir.makeDir("data");
    dir.makeDir("proc");
    dir.makeDir("tmp");
    std::string table;
    std::string format = GetParam();
    for (const auto& [target, type] :
         std::vector<std::pair<std::string, std::string>>{{"vol\\040one", "ext4"},
                                                          {"proc", "proc"},
                                                          {"missing", "ext4"},
                                                          {"data", "xfs"},
                                                          {"tmp", "tmpfs"}}) {
        std::string line = format;
        line.replace(line.find("TARGET"), 6, dir.path() + "/" + target);
        line.replace(line.find("TYPE"), 4, type);
        table += line + "\n";
    }
    table += "a line that is not a mount\n";
    const std::vector<VolumeInfo> volumes = VolumeInfo::mounted(dir.makeFile("table", table));
    ASSERT_EQ(volumes.size(), 2u);
    EXPECT_EQ(volumes[0].path, dir / "vol one");
    EXPECT_EQ(volumes[0].name, "vol one");
    expectCapacityOf(volumes[0], dir / "vol one");
    EXPECT_EQ(volumes[1].path, dir / "data");
    EXPECT_EQ(volumes[1].name, "data");
    expectCapacityOf(volumes[1], dir / "data");
}

INSTANTIATE_TEST_SUITE_P(Formats, VolumeMountTable,
                         ::testing::Values("36 25 8:1 / TARGET rw,relatime shared:1 - TYPE /dev/sda1 rw",
                                           "/dev/sda1 TARGET TYPE rw,relatime 0 0"),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                             return param.index == 0 ? std::string("MountInfo") : std::string("Mtab");
                         });

TEST(VolumeInfo, UnreadableMountTableGivesNoVolumes) {
    TempDir dir;
    EXPECT_TRUE(VolumeInfo::mounted(dir / "missing").empty());
    EXPECT_TRUE(
        MountTable::volumePaths(dir.makeFile("empty", "")).value_or(std::vector<std::string>{"x"}).empty());
}

TEST(VolumeInfo, ReadsTheVolumeHoldingAnyPath) {
    TempDir dir;
    const std::string folder = dir.makeDir("some/folder");
    const std::optional<VolumeInfo> volume = VolumeInfo::read(folder);
    ASSERT_TRUE(volume);
    EXPECT_EQ(volume->path, folder);
    const std::optional<std::string> mountPoint = MountTable::mountPointOf(folder);
    ASSERT_TRUE(mountPoint);
    EXPECT_EQ(volume->name, PathText::name(*mountPoint));
    expectCapacityOf(*volume, folder);
    EXPECT_EQ(VolumeInfo::read(dir / "missing"), std::nullopt);
}

struct CapacityCase {
    std::int64_t total, free, used;
    double fraction;
};

TEST(VolumeInfo, UsedAndFraction) {
    for (const CapacityCase& c : std::vector<CapacityCase>{{100, 25, 75, 0.75},
                                                           {0, 0, 0, 0},
                                                           {0, 10, 0, 0},
                                                           {100, 150, 0, 0},
                                                           {100, 0, 100, 1},
                                                           {1, 0, 1, 1}}) {
        VolumeInfo volume;
        volume.total = c.total;
        volume.free = c.free;
        EXPECT_EQ(volume.used(), c.used) << c.total << " " << c.free;
        EXPECT_DOUBLE_EQ(volume.fraction(), c.fraction) << c.total << " " << c.free;
    }
}

struct BlockCase {
    const char* name;
    std::uint64_t blocks, freeBlocks, available, blockSize;
    std::int64_t total, free, used;
};

TEST(VolumeInfo, BlocksAreMeasuredAsDfDoes) {
    // df shows used / (used + available): the blocks reserved for root count as neither.
    for (const BlockCase& c : std::vector<BlockCase>{
             {"reserved blocks left out", 1000, 300, 250, 4096, 950 * 4096, 250 * 4096, 700 * 4096},
             {"nothing reserved", 1000, 300, 300, 4096, 1000 * 4096, 300 * 4096, 700 * 4096},
             {"full for the user, room for root", 1000, 50, 0, 4096, 950 * 4096, 0, 950 * 4096},
             {"empty volume", 0, 0, 0, 4096, 0, 0, 0},
             {"more available than free is taken as free", 1000, 100, 400, 512, 1000 * 512, 100 * 512,
              900 * 512},
             {"free above the size", 1000, 2000, 2000, 4096, 1000 * 4096, 1000 * 4096, 0},
         }) {
        const VolumeInfo volume =
            VolumeInfo::fromBlocks("/v", "v", c.blocks, c.freeBlocks, c.available, c.blockSize);
        EXPECT_EQ(volume.total, c.total) << c.name;
        EXPECT_EQ(volume.free, c.free) << c.name;
        EXPECT_EQ(volume.used(), c.used) << c.name;
    }
}

TEST(MonitorSample, EmptySampleIsNow) {
    const Date before = Date::now();
    const MonitorSample sample;
    EXPECT_GE(sample.date, before);
    EXPECT_LE(sample.date, Date::now());
    EXPECT_EQ(sample.cpu + sample.userCPU + sample.systemCPU + sample.uptime, 0);
    EXPECT_EQ(sample.memoryUsed | sample.memoryTotal | sample.wired | sample.compressed | sample.cached, 0);
    EXPECT_EQ(sample.download | sample.upload | sample.received | sample.sent, 0);
    EXPECT_TRUE(sample.loadAverages.empty() && sample.processes.empty() && sample.volumes.empty() &&
                sample.issues.empty());
}

// One real reading of this machine: only sanity, its figures are the machine's.
TEST(SystemSampler, SamplesThisMachine) {
    SystemSampler sampler;
    (void)sampler.sample();
    const MonitorSample sample = sampler.sample();
    EXPECT_GT(sample.uptime, 0);
    EXPECT_GT(sample.memoryTotal, 0);
    EXPECT_GE(sample.memoryUsed, 0);
    EXPECT_LE(sample.memoryUsed, sample.memoryTotal);
    EXPECT_FALSE(sample.loadAverages.empty());
    for (const double value : {sample.cpu, sample.userCPU, sample.systemCPU}) {
        EXPECT_GE(value, 0);
        EXPECT_LE(value, 100);
    }
    EXPECT_LE(sample.userCPU + sample.systemCPU, sample.cpu + 1e-9);
    EXPECT_GE(sample.download, 0);
    EXPECT_GE(sample.received, 0);
    EXPECT_FALSE(sample.volumes.empty());
    for (const VolumeInfo& volume : sample.volumes) {
        EXPECT_GE(volume.fraction(), 0) << volume.path;
        EXPECT_LE(volume.fraction(), 1) << volume.path;
        EXPECT_FALSE(volume.name.empty());
    }
    if (::access(SystemSampler::kProcessListingCommand, X_OK) == 0) {
        EXPECT_TRUE(sample.issues.empty()) << sample.issues.front();
        EXPECT_FALSE(sample.processes.empty());
        for (std::size_t i = 1; i < sample.processes.size(); ++i)
            EXPECT_GE(sample.processes[i - 1].cpu, sample.processes[i].cpu);
    }
}

// A reading whose process listing hangs ends once its task is cancelled, here as soon as the listing has
// started: it throws instead of waiting for the listing's time-out, and the listing is gone.
TEST_F(SystemSamplerTest, ACancelledReadingStopsWaitingForItsListingAndKillsIt) {
    const std::string pidFile = dir / "listing.pid";
    writeProcessListing("echo $$ > '" + pidFile + "'; exec sleep 300\n");
    SystemSampler sampler(sources());
    const auto listingPid = [&]() -> pid_t {
        try {
            const std::string text = readWholeFile(pidFile);
            if (!text.empty() && text.back() == '\n')
                return std::stoi(text);
        } catch (const std::system_error&) {
        }
        return 0;
    };
    const TaskCancellation listingStarted([&] { return listingPid() != 0; });
    EXPECT_THROW((void)sampler.sample(listingStarted), CancellationError);
    const pid_t pid = listingPid();
    ASSERT_NE(pid, 0);
    // Reaped before the reading returned: no such process any more.
    const int signalled = ::kill(pid, 0);
    const int error = errno;
    EXPECT_EQ(signalled, -1);
    EXPECT_EQ(error, ESRCH);
}

TEST_F(SystemSamplerTest, ACancelledReadingRunsNothing) {
    const std::string marker = dir / "listed";
    writeProcessListing("touch '" + marker + "'\n");
    SystemSampler sampler(sources());
    EXPECT_THROW((void)sampler.sample(TaskCancellation([] { return true; })), CancellationError);
    EXPECT_FALSE(PathResolution::entryExists(marker));
}

} // namespace
} // namespace ambertrove
