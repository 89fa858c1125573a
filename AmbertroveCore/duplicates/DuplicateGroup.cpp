#include "duplicates/DuplicateGroup.hpp"

namespace ambertrove {

std::int64_t DuplicateGroup::reclaimable() const {
    std::int64_t sum = 0;
    for (std::size_t i = 1; i < files.size(); ++i)
        sum = saturatingAdd(sum, files[i].allocatedSize);
    return sum;
}

} // namespace ambertrove
