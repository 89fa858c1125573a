// The receipts' reader ("receipts.json").
#include "FuzzRoundTrip.hpp"
#include "cleanup/CleanupJson.hpp"

#include <cstdint>

using namespace ambertrove;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::checkRoundTrip(
        std::string_view(reinterpret_cast<const char*>(data), size),
        [](std::string_view t) { return CleanupJson::decodeReceipts(t); },
        [](const std::vector<TrashReceipt>& receipts) { return CleanupJson::encodeReceipts(receipts); }, true);
    return 0;
}
