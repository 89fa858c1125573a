#pragma once

#include <functional>
#include <string>
#include <vector>

namespace ambertrove {

// A recursive listing of a folder for look-ups that stop at a shallow depth (applications, nested
// bundles): each entry is offered before its contents, in directory order, and the visitor decides
// whether a folder is opened. Symbolic links are offered but never followed.
class DirectoryEnumerator {
public:
    struct Entry {
        const std::string& path;
        const std::string& name;
        int level; // 1 for a direct child of the folder
        bool isDirectory;
    };
    // Returns whether to descend into the entry (only asked for folders that are not links).
    using Visitor = std::function<bool(const Entry& entry)>;
    // A folder below the top that cannot be listed, with the errno of the failure; the walk goes on.
    using ErrorHandler = std::function<void(const std::string& path, int error)>;

    // Called before a folder is opened (tests only): an errno value fails the open, 0 lets it go ahead.
    using OpenHook = std::function<int(const std::string& path)>;

    // Names that begin with "." are neither offered nor opened when `skipHidden` is set.
    explicit DirectoryEnumerator(bool skipHidden = true, OpenHook openHook = {})
        : m_skipHidden(skipHidden)
        , m_openHook(std::move(openHook)) {}

    // Walks `folder`. Returns false, offering nothing, when the folder itself cannot be listed.
    // Anything the visitor throws ends the walk and is thrown on.
    bool walk(const std::string& folder, const Visitor& visit, const ErrorHandler& onError = {}) const;

    // The names directly inside `folder`, hidden ones included, in directory order.
    // Throws std::system_error with the errno of the failure.
    [[nodiscard]] std::vector<std::string> list(const std::string& folder) const;
    // The same for the open folder `folder` (left open).
    [[nodiscard]] static std::vector<std::string> list(int folder);

private:
    void walkLevel(const std::string& folder, const std::vector<std::pair<std::string, bool>>& entries,
                   int level, const Visitor& visit, const ErrorHandler& onError) const;

    int readListing(const std::string& folder, std::vector<std::pair<std::string, bool>>& out,
                    bool followLink) const;

    bool m_skipHidden;
    OpenHook m_openHook;
};

} // namespace ambertrove
