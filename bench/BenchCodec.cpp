// ambertrove-bench codec: the cost of reading and writing a scan's JSON form, and what a decoded scan
// holds in memory.
#include "BenchCommand.hpp"
#include "SyntheticScan.hpp"

#include "model/JsonCoding.hpp"
#include "model/ScanJson.hpp"

#include <rapidjson/reader.h>

#include <algorithm>
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
    double parseSeconds = 0;
};

// A handler that takes every event and keeps nothing: what the reader alone costs.
struct NullHandler {
    bool Null() { return true; }
    bool Bool(bool) { return true; }
    bool Int(int) { return true; }
    bool Uint(unsigned) { return true; }
    bool Int64(std::int64_t) { return true; }
    bool Uint64(std::uint64_t) { return true; }
    bool Double(double) { return true; }
    bool RawNumber(const char*, rapidjson::SizeType, bool) { return true; }
    bool String(const char*, rapidjson::SizeType, bool) { return true; }
    bool StartObject() { return true; }
    bool Key(const char*, rapidjson::SizeType, bool) { return true; }
    bool EndObject(rapidjson::SizeType) { return true; }
    bool StartArray() { return true; }
    bool EndArray(rapidjson::SizeType) { return true; }
};

// The bare parse of `input` with the decoder's stream and flags, best of `runs`: the floor of a decode.
double parseSeconds(const std::string& input, int runs) {
    double best = 0;
    for (int run = 0; run < runs; ++run) {
        std::FILE* file = std::fopen(input.c_str(), "rb");
        if (!file)
            throw std::runtime_error("cannot read " + input);
        const double start = nowSeconds();
        JsonFileInput stream(file);
        NullHandler handler;
        rapidjson::Reader reader;
        const bool ok = !reader.Parse<kJsonReaderFlags>(stream, handler).IsError();
        const double seconds = secondsSince(start);
        std::fclose(file);
        if (!ok)
            throw std::runtime_error("cannot parse " + input);
        best = run == 0 ? seconds : std::min(best, seconds);
    }
    return best;
}

// Decodes `input`, measuring the RSS growth of the decoded scan, then encodes it to `output`.
Figures decodeThenEncode(const std::string& input, const std::string& output) {
    Figures f;
    f.parseSeconds = parseSeconds(input, 1);
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
    // Once more after the decode, so that neither finds the file colder than the other.
    f.parseSeconds = std::min(f.parseSeconds, parseSeconds(input, 1));
    return f;
}

void print(const Figures& f) {
    std::printf("nodes=%zu decode_s=%.3f encode_s=%.3f rss_bytes=%lld bytes_per_node=%.1f parse_s=%.3f\n",
                f.nodes, f.decodeSeconds, f.encodeSeconds, f.rssBytes,
                f.nodes ? double(f.rssBytes) / double(f.nodes) : 0.0, f.parseSeconds);
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
