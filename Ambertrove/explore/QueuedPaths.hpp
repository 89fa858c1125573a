#pragma once

#include "cleanup/CleanupEntry.hpp"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace ambertrove {

// The paths of the cleanup queue, made once per change of the queue, for the rows that mark what is
// queued: a path is covered when it is queued or lies below a queued path ("/" covers every absolute
// path). A test looks up the path and each of its ancestors, never walks the queue.
class QueuedPaths {
public:
    QueuedPaths() = default;
    explicit QueuedPaths(const std::vector<CleanupEntry>& queue);

    [[nodiscard]] bool covers(std::string_view path) const;
    [[nodiscard]] bool empty() const { return m_paths.empty(); }

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
    };
    std::unordered_set<std::string, Hash, std::equal_to<>> m_paths;
};

} // namespace ambertrove
