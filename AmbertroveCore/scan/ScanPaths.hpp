#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ambertrove::ScanPaths {

// The mount point of the data volume; its path forms are kept so that scans from other systems resolve.
inline constexpr std::string_view dataRoot = "/System/Volumes/Data";

// The root of a whole-system scan on this platform.
inline constexpr std::string_view systemRoot = "/";

// The equivalent forms of an absolute path, its normal form first, no text twice.
// Empty for a relative path or one holding a NUL character.
std::vector<std::string> candidates(std::string_view path);

} // namespace ambertrove::ScanPaths
