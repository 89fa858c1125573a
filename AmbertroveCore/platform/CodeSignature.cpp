#include "platform/CodeSignature.hpp"

namespace ambertrove::CodeSignature {

std::optional<std::vector<std::string>> applicationGroups(const std::string&) {
    return std::nullopt;
}

} // namespace ambertrove::CodeSignature
