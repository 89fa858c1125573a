// ambertrove-bench scan: how long a scan of a real folder takes and what the finished scan holds in memory.
#include "BenchCommand.hpp"

#include "model/ScanJson.hpp"
#include "scan/DiskScanner.hpp"

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace ambertrove::bench {

namespace {

int runScan(const std::vector<std::string>& args) {
    std::optional<std::string> root;
    std::optional<std::string> json;
    bool withNavigation = false;
    unsigned threads = 0;
    std::size_t readAhead = DiskScanner::kReadAhead;
    bool valid = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--json" && i + 1 < args.size())
            json = args[++i];
        else if (args[i] == "--threads" && i + 1 < args.size())
            threads = static_cast<unsigned>(std::strtoul(args[++i].c_str(), nullptr, 10));
        else if (args[i] == "--read-ahead" && i + 1 < args.size())
            readAhead = std::strtoul(args[++i].c_str(), nullptr, 10);
        else if (args[i] == "--navigation")
            withNavigation = true;
        else if (!root && !args[i].starts_with("--"))
            root = args[i];
        else
            valid = false;
    }
    if (!valid || !root) {
        std::fprintf(stderr, "usage: ambertrove-bench scan PATH [--json FILE] [--navigation] [--threads N] "
                             "[--read-ahead ENTRIES]\n");
        return 2;
    }

    CancellationFlag flag;
    ScanNavigation navigation;
    releaseFreeMemory();
    const long long before = residentBytes();
    const double start = nowSeconds();
    const DiskScanner scanner(threads, readAhead); // threads 0: the scanner's default
    const ScanResult scan = withNavigation
                                ? scanner.scan(*root, flag, &navigation, [](const ScanProgress&) {})
                                : scanner.scan(*root, flag);
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

AMBERTROVE_BENCH_COMMAND(scan, "scan PATH [--json FILE] [--navigation] [--threads N] [--read-ahead ENTRIES]",
                         runScan);

} // namespace ambertrove::bench
