#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace ambertrove {

// Which names in the Library folders belong to one installed application: the bundle identifiers of the
// application and of the bundles nested in it, and the application groups its code signatures declare.
struct ApplicationOwnership {
    std::set<std::string, std::less<>> identifiers;
    std::set<std::string, std::less<>> groups;

    // The groups a bundle's valid signature declares, or nothing when the signature is missing or invalid.
    using GroupReader = std::function<std::optional<std::vector<std::string>>(const std::string& bundlePath)>;

    // Reads the application bundle at `bundlePath` and its nested bundles. Never fails: whatever cannot be
    // read is left out.
    static ApplicationOwnership read(const std::string& bundlePath);
    static ApplicationOwnership read(const std::string& bundlePath, const GroupReader& declaredGroups);

    // Whether a Library entry named `name` belongs to the application. Entries of "Group Containers" are
    // named after groups; all others after an identifier or a name beneath it ("<identifier>.<more>").
    [[nodiscard]] bool matches(std::string_view name, bool groupContainer) const;

    // Data folders of a few products whose names are not derived from their identifier, relative to a
    // Library folder ("Application Support" or "Caches").
    [[nodiscard]] static std::vector<std::string> supportSubpaths(std::string_view bundleIdentifier);

    friend bool operator==(const ApplicationOwnership&, const ApplicationOwnership&) = default;
};

// Whether `name` equals `identifier` or begins with it followed by ".", compared exactly.
[[nodiscard]] bool isNamedAfter(std::string_view name, std::string_view identifier);

} // namespace ambertrove
