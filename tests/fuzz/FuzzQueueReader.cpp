// The cleanup queue's reader ("cleanup.json"): its round trip, and that it reads every text as reading each
// entry as a document does (the same entries, or a refusal in the same words).
#include "FuzzRoundTrip.hpp"
#include "cleanup/CleanupJson.hpp"

#include <cstdint>
#include <string>
#include <vector>

using namespace ambertrove;

namespace {

struct Read {
    std::vector<CleanupEntry> entries;
    std::string refusal;
    bool operator==(const Read&) const = default;
};

template <class Decode> Read readWith(Decode&& decode) {
    Read read;
    try {
        read.entries = decode();
    } catch (const DecodingError& e) {
        read.refusal = e.detail();
    }
    return read;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    fuzz::checkRoundTrip(
        text, [](std::string_view t) { return CleanupJson::decodeEntries(t); },
        [](const std::vector<CleanupEntry>& entries) { return CleanupJson::encodeEntries(entries); }, true);
    const Read streamed = readWith([&] { return CleanupJson::decodeEntries(text); });
    const Read documents =
        readWith([&] { return readJsonList(text, "expected an array", 512, CleanupJson::readEntry); });
    if (!(streamed == documents))
        fuzz::failed("the queue reads otherwise than as documents");
    return 0;
}
