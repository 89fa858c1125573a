#pragma once

#include "base/Date.hpp"
#include "base/Uuid.hpp"
#include "model/FileIdentity.hpp"

#include <cstdint>
#include <string>

namespace ambertrove {

// What a move to the Trash left behind: enough to put the item back where it was.
struct TrashReceipt {
    Uuid id = Uuid::random();
    std::string originalPath;
    // Where the item lies in the Trash ("files/NAME").
    std::string trashPath;
    Date date;
    // The staged node's allocated size.
    std::int64_t bytes = 0;
    // The staged node's identity as scanned.
    FileIdentity identity;

    friend bool operator==(const TrashReceipt&, const TrashReceipt&) = default;
};

} // namespace ambertrove
