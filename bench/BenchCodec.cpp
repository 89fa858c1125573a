// ambertrove-bench codec: the cost of reading and writing a scan's JSON form, and what a decoded scan
// holds in memory.
#include "BenchCommand.hpp"

#include "model/ScanJson.hpp"

#include <cstdio>
#include <optional>
#include <random>
#include <unistd.h>

namespace ambertrove::bench {

namespace {

// A tree of `count` nodes built the way the scanner builds one: records added in walk order
// (a folder before its contents), children appended as met, the table finished at the end.
ScanResult syntheticScan(std::size_t count) {
    ScanResult scan;
    scan.rootPath = "/bench/root";
    scan.scannedAt = Date::now();
    NodeTable& t = scan.nodes;
    t.reserve(count + 2);
    std::mt19937_64 random(42);
    const NodeIndex root = t.ensurePath(scan.rootPath);
    NodeData folder;
    folder.isDirectory = true;
    folder.identity.mode = 040755;
    t.setNode(root, folder, false);

    struct Frame {
        NodeIndex index;
        int remaining;
    };
    std::vector<Frame> stack{{root, 40}};
    std::size_t made = 1;
    std::uint64_t inode = 2;
    while (made < count && !stack.empty()) {
        Frame& top = stack.back();
        if (top.remaining-- <= 0) {
            stack.pop_back();
            if (stack.empty())
                stack.push_back({root, 40});
            continue;
        }
        const bool makeFolder = stack.size() < 9 && random() % 6 == 0;
        char name[48];
        std::snprintf(name, sizeof name, makeFolder ? "folder-%zu" : "file-%zu.dat", made);
        const NodeIndex i = t.addRecord(top.index, name);
        NodeData d;
        d.isDirectory = makeFolder;
        d.identity.inode = inode++;
        d.identity.device = 2049;
        d.identity.modifiedSeconds = 1700000000 + static_cast<std::int64_t>(random() % 10000000);
        d.identity.modifiedNanos = static_cast<std::int64_t>(random() % 1000000000);
        d.identity.changedSeconds = d.identity.modifiedSeconds;
        d.identity.changedNanos = d.identity.modifiedNanos;
        d.identity.linkCount = 1;
        d.modified = Date::fromUnixSeconds(d.identity.modifiedSeconds);
        d.created = d.modified;
        d.accessed = d.modified;
        if (makeFolder) {
            d.identity.mode = 040755;
            d.identity.size = 4096;
        } else {
            d.identity.mode = 0100644;
            d.identity.size = static_cast<std::int64_t>(random() % 200000);
            d.logicalSize = d.ownLogicalSize = d.identity.size;
            d.allocatedSize = d.ownAllocatedSize = (d.identity.size + 4095) / 4096 * 4096;
            d.fileCount = 1;
        }
        t.setNode(i, d, true);
        t.appendChild(top.index, i);
        ++made;
        if (makeFolder)
            stack.push_back({i, static_cast<int>(random() % 60)});
    }
    t.finish();
    return scan;
}

struct Figures {
    double decodeSeconds = 0;
    double encodeSeconds = 0;
    long long rssBytes = 0;
    std::size_t nodes = 0;
};

// Decodes `input`, measuring the RSS growth of the decoded scan, then encodes it to `output`.
Figures decodeThenEncode(const std::string& input, const std::string& output) {
    Figures f;
    releaseFreeMemory();
    const long long before = residentBytes();
    double start = nowSeconds();
    std::optional<ScanResult> scan = ScanJson::readFile(input);
    f.decodeSeconds = secondsSince(start);
    releaseFreeMemory();
    f.rssBytes = residentBytes() - before;
    f.nodes = scan->nodes.size();
    start = nowSeconds();
    std::FILE* file = std::fopen(output.c_str(), "wb");
    if (!file)
        throw std::runtime_error("cannot write " + output);
    ScanJson::write(*scan, file);
    std::fclose(file);
    f.encodeSeconds = secondsSince(start);
    return f;
}

void print(const Figures& f) {
    std::printf("nodes=%zu decode_s=%.3f encode_s=%.3f rss_bytes=%lld bytes_per_node=%.1f\n", f.nodes,
                f.decodeSeconds, f.encodeSeconds, f.rssBytes,
                f.nodes ? double(f.rssBytes) / double(f.nodes) : 0.0);
}

int runCodec(const std::vector<std::string>& args) {
    if (args.size() == 2 && args[0] == "--synthetic") {
        const std::size_t count = std::stoul(args[1]);
        const std::string file = "/tmp/ambertrove-bench-codec-" + std::to_string(::getpid()) + ".json";
        double start = nowSeconds();
        {
            const ScanResult scan = syntheticScan(count);
            std::FILE* out = std::fopen(file.c_str(), "wb");
            if (!out)
                throw std::runtime_error("cannot write " + file);
            start = nowSeconds();
            ScanJson::write(scan, out);
            std::fclose(out);
        }
        const double firstEncode = secondsSince(start);
        Figures f = decodeThenEncode(file, file + ".out.json");
        f.encodeSeconds = std::min(f.encodeSeconds, firstEncode);
        ::unlink(file.c_str());
        ::unlink((file + ".out.json").c_str());
        print(f);
        return 0;
    }
    if (args.size() == 1) {
        print(decodeThenEncode(args[0], args[0] + ".out.json"));
        return 0;
    }
    std::fprintf(stderr, "usage: ambertrove-bench codec FILE | --synthetic N\n");
    return 2;
}

} // namespace

AMBERTROVE_BENCH_COMMAND(codec, "codec FILE | codec --synthetic N", runCodec);

} // namespace ambertrove::bench
