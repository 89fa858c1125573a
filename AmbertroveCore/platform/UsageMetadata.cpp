#include "platform/UsageMetadata.hpp"

namespace ambertrove::UsageMetadata {

std::optional<Date> lastUsed(const std::string&) {
    return std::nullopt;
}

} // namespace ambertrove::UsageMetadata
