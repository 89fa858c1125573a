#pragma once

#include <array>

namespace ambertrove {

// The columns the file table can be sorted by.
enum class ScanSortField {
    name,          // the entry's name, localized order
    allocatedSize, // allocated size
    logicalSize,   // logical size
    itemCount,     // files and folders below a directory; 1 for anything else
    kindName,      // the kind column's text, localized order
    modified,      // modification date
};

inline constexpr std::array<ScanSortField, 6> kAllScanSortFields = {
    ScanSortField::name,      ScanSortField::allocatedSize, ScanSortField::logicalSize,
    ScanSortField::itemCount, ScanSortField::kindName,      ScanSortField::modified};

} // namespace ambertrove
