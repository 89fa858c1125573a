// The saved-scan records' reader (the ".meta" files read at start-up).
#include "FuzzRoundTrip.hpp"
#include "snapshots/SnapshotRecord.hpp"

#include <cstdint>

using namespace ambertrove;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::checkRoundTrip(
        std::string_view(reinterpret_cast<const char*>(data), size),
        [](std::string_view t) { return SnapshotRecord::decode(t); },
        [](const SnapshotRecord& record) { return record.encode(); }, true);
    return 0;
}
