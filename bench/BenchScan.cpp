// ambertrove-bench scan: how long a scan of a real folder takes and what the finished scan holds in memory.
#include "BenchCommand.hpp"

#include "model/ScanJson.hpp"
#include "scan/DiskScanner.hpp"

#include <cstdio>
#include <optional>

namespace ambertrove::bench {

namespace {

int runScan(const std::vector<std::string>& args) {
    std::optional<std::string> root;
    std::optional<std::string> json;
    bool withNavigation = false;
    bool valid = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--json" && i + 1 < args.size())
            json = args[++i];
        else if (args[i] == "--navigation")
            withNavigation = true;
        else if (!root && !args[i].starts_with("--"))
            root = args[i];
        else
            valid = false;
    }
    if (!valid || !root) {
        std::fprintf(stderr, "usage: ambertrove-bench scan PATH [--json FILE] [--navigation]\n");
        return 2;
    }

    CancellationFlag flag;
    ScanNavigation navigation;
    releaseFreeMemory();
    const long long before = residentBytes();
    const double start = nowSeconds();
    const ScanResult scan = withNavigation
                                ? DiskScanner().scan(*root, flag, &navigation, [](const ScanProgress&) {})
                                : DiskScanner().scan(*root, flag);
    const double seconds = secondsSince(start);
    releaseFreeMemory();
    const long long rss = residentBytes() - before;
    if (json)
        ScanJson::writeFile(scan, *json);
    const std::size_t entries = scan.nodes.size();
    std::printf("entries=%zu seconds=%.3f rss_bytes=%lld bytes_per_entry=%.1f\n", entries, seconds, rss,
                entries ? double(rss) / double(entries) : 0.0);
    return 0;
}

} // namespace

AMBERTROVE_BENCH_COMMAND(scan, "scan PATH [--json FILE] [--navigation]", runScan);

} // namespace ambertrove::bench
