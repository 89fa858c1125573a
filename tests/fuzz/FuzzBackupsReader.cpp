// The backups' readers: the list ("backups.json") and one backup's "Manifest.json".
#include "FuzzRoundTrip.hpp"
#include "cleanup/BackupReceipt.hpp"

#include <cstdint>

using namespace ambertrove;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    fuzz::checkRoundTrip(
        text, [](std::string_view t) { return BackupReceipt::decodeList(t); },
        [](const std::vector<BackupReceipt>& receipts) { return BackupReceipt::encodeList(receipts); }, true);
    fuzz::checkRoundTrip(
        text, [](std::string_view t) { return BackupReceipt::decode(t); },
        [](const BackupReceipt& receipt) { return receipt.encode(); }, true);
    return 0;
}
