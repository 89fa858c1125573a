#pragma once

#include "base/Date.hpp"

#include <optional>
#include <string>

namespace ambertrove::UsageMetadata {

// When the user last opened the application at `path`, as the desktop's metadata index recorded it; absent
// when unknown. Linux desktops keep no such index for applications, so it is always unknown here.
std::optional<Date> lastUsed(const std::string& path);

} // namespace ambertrove::UsageMetadata
