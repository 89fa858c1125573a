// The cleanup queue's reader ("cleanup.json").
#include "FuzzRoundTrip.hpp"
#include "cleanup/CleanupJson.hpp"

#include <cstdint>

using namespace ambertrove;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::checkRoundTrip(
        std::string_view(reinterpret_cast<const char*>(data), size),
        [](std::string_view t) { return CleanupJson::decodeEntries(t); },
        [](const std::vector<CleanupEntry>& entries) { return CleanupJson::encodeEntries(entries); }, true);
    return 0;
}
