// ambertrove-bench analyse: the cost of what the explore views compute from a finished scan: the
// presentation totals with the quick wins, ranked pages of each scope, a text filter and whole-table
// sorts.
#include "BenchCommand.hpp"
#include "SyntheticScan.hpp"

#include "analysis/QuickWin.hpp"
#include "analysis/ScanPresentation.hpp"
#include "analysis/ScanQuery.hpp"
#include "analysis/ScanTableQuery.hpp"
#include "scan/DiskScanner.hpp"

#include <algorithm>
#include <cstdio>
#include <string>

namespace ambertrove::bench {

namespace {

// Runs a step three times and prints the best time: other work on the machine only ever adds time.
template <class F> void step(const char* name, F&& work) {
    double best = 0;
    std::size_t produced = 0;
    for (int round = 0; round < 3; ++round) {
        const double start = nowSeconds();
        produced = work();
        const double seconds = secondsSince(start);
        best = round == 0 ? seconds : std::min(best, seconds);
    }
    std::printf("step=%s seconds=%.3f\n", name, best);
    std::fprintf(stderr, "  %s: %zu\n", name, produced);
    std::fflush(stdout);
}

int analyse(const ScanResult& scan) {
    std::fprintf(stderr, "nodes=%zu\n", scan.nodes.size());
    const std::string& root = scan.rootPath;
    step("distribution", [&] { return ScanPresentation::distribution(scan, root).folders.size(); });
    step("quickwins", [&] {
        std::size_t n = 0;
        for (const QuickWin& win : QuickWin::discover(scan))
            n += win.nodes.size();
        return n;
    });
    step("presentation", [&] { return ScanPresentation::make(scan).folderTypes.size(); });
    const ScanQuery query;
    step("ranked-current",
         [&] { return query.rankedPage(scan, root, RankingScope::current, 50).rows.size(); });
    step("ranked-files", [&] { return query.rankedPage(scan, root, RankingScope::files, 50).rows.size(); });
    step("ranked-folders",
         [&] { return query.rankedPage(scan, root, RankingScope::folders, 50).rows.size(); });
    ScanQuery byText;
    byText.text = "12";
    step("filter-text", [&] { return byText.paths(scan, root, true).size(); });
    // The table's sorts, as paths (what the table is given) and as indices (what they cost before the
    // paths are made).
    ScanTableQuery table;
    const auto sortBy = [&](const char* name, ScanSortField field, bool ascending) {
        table.field = field;
        table.ascending = ascending;
        step(name, [&] { return table.sortedPaths(scan, root, true).size(); });
        step((std::string(name) + "-indices").c_str(),
             [&] { return table.sortedIndices(scan, root, true).size(); });
    };
    sortBy("sort-name", ScanSortField::name, true);
    sortBy("sort-size", ScanSortField::allocatedSize, false);
    sortBy("sort-kind", ScanSortField::kindName, true);
    return 0;
}

int runAnalyse(const std::vector<std::string>& args) {
    if (args.size() == 2 && args[0] == "--synthetic") {
        const double start = nowSeconds();
        const ScanResult scan = syntheticScan(std::stoul(args[1]), true);
        std::printf("step=synthetic seconds=%.3f\n", secondsSince(start));
        return analyse(scan);
    }
    if (args.size() == 1) {
        const CancellationFlag flag;
        const double start = nowSeconds();
        const ScanResult scan = DiskScanner().scan(args[0], flag);
        std::printf("step=scan seconds=%.3f\n", secondsSince(start));
        return analyse(scan);
    }
    std::fprintf(stderr, "usage: ambertrove-bench analyse PATH | analyse --synthetic N\n");
    return 2;
}

} // namespace

AMBERTROVE_BENCH_COMMAND(analyse, "analyse PATH | analyse --synthetic N", runAnalyse);

} // namespace ambertrove::bench
