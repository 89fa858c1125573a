// ambertrove-bench codec: the cost of reading and writing a scan's JSON form, and what a decoded scan
// holds in memory.
#include "BenchCommand.hpp"
#include "SyntheticScan.hpp"

#include "model/ScanJson.hpp"

#include <cstdio>
#include <optional>
#include <unistd.h>

namespace ambertrove::bench {

namespace {

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
