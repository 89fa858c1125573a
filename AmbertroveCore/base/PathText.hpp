#pragma once

#include <string_view>

namespace ambertrove::PathText {

// The last component after trailing slashes are dropped; "/" for an empty or all-slash path.
std::string_view name(std::string_view path);
// The text after the last "." of the name; empty when there is none or the only dot starts the name.
std::string_view pathExtension(std::string_view path);

} // namespace ambertrove::PathText
