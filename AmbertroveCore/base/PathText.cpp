#include "base/PathText.hpp"

namespace ambertrove::PathText {

std::string_view name(std::string_view path) {
    while (!path.empty() && path.back() == '/')
        path.remove_suffix(1);
    if (path.empty())
        return "/";
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view pathExtension(std::string_view path) {
    const std::string_view n = name(path);
    const auto dot = n.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return {};
    return n.substr(dot + 1);
}

} // namespace ambertrove::PathText
