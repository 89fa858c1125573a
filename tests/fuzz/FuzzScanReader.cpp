// The scan reader, from memory and from a file: both entry points agree, and an accepted scan round-trips.
#include "FuzzRoundTrip.hpp"
#include "model/ScanJson.hpp"

#include <cstdint>
#include <cstdio>

using namespace ambertrove;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto fromMemory = fuzz::accepted([](std::string_view t) { return ScanJson::decode(t); }, text);
    if (size > 0) {
        std::FILE* file = ::fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
        if (!file)
            fuzz::failed("fmemopen");
        const auto fromFile = fuzz::accepted([&](std::string_view) { return ScanJson::read(file); }, text);
        std::fclose(file);
        if (fromMemory.has_value() != fromFile.has_value())
            fuzz::failed("memory and file readers disagree on accepting");
        if (fromMemory && !(*fromMemory == *fromFile))
            fuzz::failed("memory and file readers read different scans");
    }
    fuzz::checkRoundTrip(
        text, [](std::string_view t) { return ScanJson::decode(t); },
        [](const ScanResult& scan) { return ScanJson::encode(scan); }, false);
    return 0;
}
