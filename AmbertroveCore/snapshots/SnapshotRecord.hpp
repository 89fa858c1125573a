#pragma once

#include "base/Date.hpp"
#include "base/Uuid.hpp"

#include <cstdint>
#include <string>
#include <string_view>

namespace ambertrove {

// The description of one saved scan, and the content of its ".meta" file. Records are never rewritten:
// the title and figures stay as they were when the scan was saved.
struct SnapshotRecord {
    Uuid id;
    std::string title;
    Date createdAt; // when the scan was saved, not when it was scanned
    std::string rootPath;
    std::int64_t bytes = 0;     // the root entry's allocated size
    std::int64_t fileCount = 0; // the root entry's file count

    // The name of the scan file: the UUID text followed by ".json".
    [[nodiscard]] std::string filename() const;

    // Compact JSON, keys in field order.
    [[nodiscard]] std::string encode() const;
    // Requires all six keys with values of their types; other keys are ignored. Throws DecodingError.
    static SnapshotRecord decode(std::string_view text);

    friend bool operator==(const SnapshotRecord&, const SnapshotRecord&) = default;
};

} // namespace ambertrove
