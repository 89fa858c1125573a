#include "platform/PathResolution.hpp"

#include <cerrno>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ambertrove::PathResolution {

namespace {

constexpr int kMaxLinks = 40;

// Pushes the components of `path` so that the first is taken first.
void pushComponents(std::string_view path, std::vector<std::string>& pending) {
    const std::vector<std::string_view> pieces = components(path);
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it)
        pending.emplace_back(*it);
}

void dropLastComponent(std::string& path) {
    const std::size_t slash = path.rfind('/');
    path.resize(slash == std::string::npos ? 0 : slash);
}

std::string workingFolder() {
    std::string buffer(PATH_MAX, '\0');
    if (::getcwd(buffer.data(), buffer.size()) == nullptr)
        return "/";
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return buffer;
}

// Walks the components of an absolute path, removing "." and "..", and with `followLinks` replacing every
// symbolic link met along the existing prefix by its target. The walk starts in `from`, a folder already
// walked ("" for "/"). Absent when the links loop.
std::optional<std::string> walk(std::string_view path, bool followLinks, std::string from = {}) {
    std::vector<std::string> pending;
    pushComponents(path, pending);
    std::string resolved = std::move(from); // "" stands for "/"
    bool missing = !followLinks;            // once a component is missing, the rest is text
    int links = 0;
    while (!pending.empty()) {
        std::string piece = std::move(pending.back());
        pending.pop_back();
        if (piece == ".")
            continue;
        if (piece == "..") {
            // The prefix holds no links, so its parent is found by text.
            dropLastComponent(resolved);
            continue;
        }
        std::string candidate = resolved + "/" + piece;
        // A NUL would cut the path short in a system call and name another entry: such a name is never read.
        if (!missing && piece.find('\0') == std::string::npos) {
            struct stat st {};
            if (::lstat(candidate.c_str(), &st) != 0) {
                missing = true;
            } else if (S_ISLNK(st.st_mode)) {
                if (++links > kMaxLinks)
                    return std::nullopt;
                if (const std::optional<std::string> target = readLink(candidate)) {
                    if (target->starts_with('/'))
                        resolved.clear();
                    pushComponents(*target, pending);
                    continue;
                }
                missing = true;
            }
        } else {
            missing = true;
        }
        resolved = std::move(candidate);
    }
    return resolved.empty() ? std::string("/") : resolved;
}

} // namespace

std::vector<std::string_view> components(std::string_view path) {
    std::vector<std::string_view> pieces;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        std::size_t end = path.find('/', pos);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > pos)
            pieces.push_back(path.substr(pos, end - pos));
        pos = end + 1;
    }
    return pieces;
}

std::optional<std::string> readLink(const std::string& path) {
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (n < 0)
            return std::nullopt;
        if (static_cast<std::size_t>(n) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(n));
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string standardized(std::string_view path) {
    if (path.starts_with('/'))
        return *walk(path, false);
    return *walk(workingFolder() + "/" + std::string(path), false);
}

std::optional<std::string> resolvingSymlinks(std::string_view path) {
    return walk(standardized(path), true);
}

std::optional<std::string> resolvingSymlinks(const std::string& resolvedFolder, std::string_view relative) {
    return walk(relative, true, resolvedFolder == "/" ? std::string() : resolvedFolder);
}

bool entryExists(const std::string& path) {
    if (path.find('\0') != std::string::npos)
        return false;
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::string parentPath(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos || slash == 0)
        return "/";
    return std::string(path.substr(0, slash));
}

bool isInside(std::string_view path, std::string_view folder) {
    if (folder == "/")
        return path.starts_with('/') && path.size() > 1;
    return path.size() > folder.size() && path.starts_with(folder) && path[folder.size()] == '/';
}

bool isSameOrInside(std::string_view path, std::string_view folder) {
    return path == folder || isInside(path, folder);
}

} // namespace ambertrove::PathResolution
