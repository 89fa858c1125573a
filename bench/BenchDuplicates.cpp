// ambertrove-bench duplicates: scans a folder, then finds the duplicate files of the whole scan.
#include "BenchCommand.hpp"

#include "duplicates/DuplicateFinder.hpp"
#include "scan/DiskScanner.hpp"

#include <cstdio>
#include <stdexcept>

namespace ambertrove::bench {

namespace {

int runDuplicates(const std::vector<std::string>& args) {
    std::string root, groupsOut;
    std::int64_t minimumSize = 0;
    bool understood = true;
    for (std::size_t k = 0; k < args.size() && understood; ++k) {
        if (args[k] == "--min-size" && k + 1 < args.size())
            minimumSize = std::stoll(args[++k]);
        else if (args[k] == "--groups-out" && k + 1 < args.size())
            groupsOut = args[++k];
        else if (root.empty() && !args[k].starts_with("--"))
            root = args[k];
        else
            understood = false;
    }
    if (root.empty() || !understood) {
        std::fprintf(stderr,
                     "usage: ambertrove-bench duplicates PATH [--min-size BYTES] [--groups-out FILE]\n");
        return 2;
    }
    CancellationFlag flag;
    const ScanResult scan = DiskScanner().scan(root, flag);
    std::size_t files = 0;
    scan.nodes.forEachNode([&](NodeIndex i) { files += scan.nodes[i].isRegularFile() ? 1 : 0; });

    const double start = nowSeconds();
    const DuplicateReport report =
        DuplicateFinder().find(scan, minimumSize, std::nullopt, flag, [](const DuplicateProgress&) {});
    const double seconds = secondsSince(start);

    std::size_t duplicates = 0;
    std::int64_t reclaimable = 0;
    for (const DuplicateGroup& group : report.groups) {
        duplicates += group.files.size();
        reclaimable += group.reclaimable();
    }
    if (!groupsOut.empty()) {
        // Every group's paths, one a line, groups separated by an empty line: for checking against other
        // tools.
        std::FILE* out = std::fopen(groupsOut.c_str(), "w");
        if (!out)
            throw std::runtime_error("cannot write " + groupsOut);
        for (const DuplicateGroup& group : report.groups) {
            for (const DiskNode& file : group.files)
                std::fprintf(out, "%s\n", file.path.c_str());
            std::fputc('\n', out);
        }
        std::fclose(out);
    }
    std::printf("files=%zu groups=%zu duplicate_files=%zu reclaimable_bytes=%lld seconds=%.3f\n", files,
                report.groups.size(), duplicates, static_cast<long long>(reclaimable), seconds);
    return 0;
}

} // namespace

AMBERTROVE_BENCH_COMMAND(duplicates, "duplicates PATH [--min-size BYTES] [--groups-out FILE]", runDuplicates);

} // namespace ambertrove::bench
