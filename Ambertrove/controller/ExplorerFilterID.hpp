#pragma once

#include "controller/RawValueEnum.hpp"

namespace ambertrove {

// The five explorer filters, in the order their chips are listed; each is the identity of its chip.
enum class ExplorerFilterID { name, hidden, size, type, age };

template <> struct EnumTexts<ExplorerFilterID> {
    static constexpr std::array cases{ExplorerFilterID::name, ExplorerFilterID::hidden,
                                      ExplorerFilterID::size, ExplorerFilterID::type, ExplorerFilterID::age};
    static constexpr std::array texts{"name", "hidden", "size", "type", "age"};
};

} // namespace ambertrove
