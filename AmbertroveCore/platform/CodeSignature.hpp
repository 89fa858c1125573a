#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ambertrove::CodeSignature {

// The application groups that the valid code signature of the bundle at `path` declares in its
// entitlements; absent when the bundle has no signature that passes the basic check. Linux keeps no code
// signatures on bundles, so no signature is ever valid here.
std::optional<std::vector<std::string>> applicationGroups(const std::string& path);

} // namespace ambertrove::CodeSignature
