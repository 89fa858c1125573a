#pragma once

#include "platform/PropertyList.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace ambertrove::Bundle {

// The information of the bundle folder at `path` (its "Contents/Info.plist"); absent when the path is not
// a folder or holds no readable property list.
std::optional<PropertyList> information(const std::string& path);

// The identifier of the bundle folder at `path` ("CFBundleIdentifier" of its "Contents/Info.plist");
// absent when the path is not a folder or the property list names none.
std::optional<std::string> identifier(const std::string& path);

// Whether a file name ends with ".app", in any case.
bool hasApplicationExtension(std::string_view name);

// Whether `path` is a bundle whose identifier begins with "com.apple.".
bool isSystemVendorBundle(const std::string& path);

} // namespace ambertrove::Bundle
