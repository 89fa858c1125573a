#include "analysis/FileTypeTotals.hpp"

namespace ambertrove {

void FileTypeTotals::add(std::int64_t ownAllocated, std::int64_t ownLogical, FileCategory category) {
    std::int64_t& a = allocated[category];
    a = saturatingAdd(a, ownAllocated);
    std::int64_t& l = logical[category];
    l = saturatingAdd(l, ownLogical);
}

} // namespace ambertrove
