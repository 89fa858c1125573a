#include "applications/ApplicationOwnership.hpp"

#include "base/PathText.hpp"
#include "platform/Bundle.hpp"
#include "platform/CodeSignature.hpp"
#include "platform/DirectoryEnumerator.hpp"

#include <algorithm>
#include <array>

namespace ambertrove {

namespace {

// Where nested bundles live inside "Contents", searched in this order.
constexpr std::array<std::string_view, 5> kNestedFolders = {"PlugIns", "XPCServices", "Library/LoginItems",
                                                            "Library/SystemExtensions", "Frameworks"};
constexpr std::array<std::string_view, 4> kNestedExtensions = {"appex", "xpc", "app", "systemextension"};
// Frameworks hold their nested bundles a few folders down (Versions/A/...); deeper is not searched.
constexpr int kNestedSearchDepth = 6;

struct ProductFolder {
    std::string_view identifier;
    std::string_view folder;
};
constexpr std::array<ProductFolder, 3> kProductFolders = {{
    {"com.google.Chrome", "Google/Chrome"},
    {"com.brave.Browser", "BraveSoftware/Brave-Browser"},
    {"com.microsoft.VSCode", "Code"},
}};

bool isNestedBundle(std::string_view name) {
    const std::string_view extension = PathText::pathExtension(name);
    return std::find(kNestedExtensions.begin(), kNestedExtensions.end(), extension) !=
           kNestedExtensions.end();
}

// A group name that could not name a folder of its own is ignored.
bool isUsableGroup(std::string_view group) {
    return !group.empty() && group.find('/') == std::string_view::npos && group != "." && group != "..";
}

} // namespace

bool isNamedAfter(std::string_view name, std::string_view identifier) {
    return name.starts_with(identifier) &&
           (name.size() == identifier.size() || name[identifier.size()] == '.');
}

ApplicationOwnership ApplicationOwnership::read(const std::string& bundlePath) {
    return read(bundlePath, CodeSignature::applicationGroups);
}

ApplicationOwnership ApplicationOwnership::read(const std::string& bundlePath,
                                                const GroupReader& declaredGroups) {
    std::vector<std::string> bundles{bundlePath};
    const DirectoryEnumerator enumerator;
    for (const std::string_view folder : kNestedFolders) {
        enumerator.walk(bundlePath + "/Contents/" + std::string(folder),
                        [&](const DirectoryEnumerator::Entry& e) {
                            if (isNestedBundle(e.name)) {
                                bundles.push_back(e.path);
                                return false;
                            }
                            return e.level < kNestedSearchDepth;
                        });
    }

    ApplicationOwnership ownership;
    for (const std::string& bundle : bundles) {
        if (std::optional<std::string> identifier = Bundle::identifier(bundle))
            ownership.identifiers.insert(std::move(*identifier));
        if (!declaredGroups)
            continue;
        const std::optional<std::vector<std::string>> groups = declaredGroups(bundle);
        if (!groups)
            continue;
        for (const std::string& group : *groups)
            if (isUsableGroup(group))
                ownership.groups.insert(group);
    }
    return ownership;
}

bool ApplicationOwnership::matches(std::string_view name, bool groupContainer) const {
    if (groupContainer)
        return groups.find(name) != groups.end();
    return std::any_of(identifiers.begin(), identifiers.end(),
                       [&](const std::string& identifier) { return isNamedAfter(name, identifier); });
}

std::vector<std::string> ApplicationOwnership::supportSubpaths(std::string_view bundleIdentifier) {
    std::vector<std::string> folders;
    for (const ProductFolder& product : kProductFolders)
        if (product.identifier == bundleIdentifier)
            folders.emplace_back(product.folder);
    return folders;
}

} // namespace ambertrove
