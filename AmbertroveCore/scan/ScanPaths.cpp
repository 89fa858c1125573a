#include "scan/ScanPaths.hpp"

#include "platform/PathResolution.hpp"

#include <algorithm>
#include <array>

namespace ambertrove::ScanPaths {

namespace {

bool isOrUnder(std::string_view path, std::string_view folder) {
    return path == folder ||
           (path.size() > folder.size() && path.starts_with(folder) && path[folder.size()] == '/');
}

std::string normalForm(std::string_view path) {
    std::vector<std::string_view> pieces;
    for (const std::string_view piece : PathResolution::components(path)) {
        if (piece == ".")
            continue;
        if (piece == "..") {
            if (!pieces.empty())
                pieces.pop_back();
        } else {
            pieces.push_back(piece);
        }
    }
    if (pieces.empty())
        return "/";
    std::string out;
    for (std::string_view p : pieces) {
        out.push_back('/');
        out.append(p);
    }
    return out;
}

} // namespace

std::vector<std::string> candidates(std::string_view path) {
    if (!path.starts_with('/') || path.find('\0') != std::string_view::npos)
        return {};
    const std::string normal = normalForm(path);

    std::string base = normal;
    if (isOrUnder(normal, dataRoot)) {
        base = normal.substr(dataRoot.size());
        if (base.empty())
            base = "/";
    }

    std::vector<std::string> forms{base};
    static constexpr std::array<std::string_view, 3> twins = {"/var", "/tmp", "/etc"};
    constexpr std::string_view privatePrefix = "/private";
    for (std::string_view name : twins) {
        if (isOrUnder(base, name))
            forms.push_back(std::string(privatePrefix) + base);
        const std::string privateName = std::string(privatePrefix) + std::string(name);
        if (isOrUnder(base, privateName))
            forms.push_back(base.substr(privatePrefix.size()));
    }

    std::vector<std::string> result{normal};
    auto add = [&](std::string text) {
        if (std::find(result.begin(), result.end(), text) == result.end())
            result.push_back(std::move(text));
    };
    for (const std::string& form : forms) {
        add(form);
        add(form == "/" ? std::string(dataRoot) : std::string(dataRoot) + form);
    }
    return result;
}

} // namespace ambertrove::ScanPaths
