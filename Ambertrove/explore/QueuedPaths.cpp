#include "explore/QueuedPaths.hpp"

namespace ambertrove {

QueuedPaths::QueuedPaths(const std::vector<CleanupEntry>& queue) {
    for (const CleanupEntry& entry : queue)
        m_paths.insert(entry.node.path);
}

bool QueuedPaths::covers(std::string_view path) const {
    if (m_paths.empty())
        return false;
    if (m_paths.contains(path))
        return true;
    // An entry covers the path when the path begins with it followed by "/", so it is the text before one
    // of the path's slashes; "/" alone is the exception: it covers every absolute path.
    if (path.starts_with('/') && m_paths.contains(std::string_view("/")))
        return true;
    for (std::size_t slash = path.find('/', 1); slash != std::string_view::npos;
         slash = path.find('/', slash + 1)) {
        if (m_paths.contains(path.substr(0, slash)))
            return true;
    }
    return false;
}

} // namespace ambertrove
