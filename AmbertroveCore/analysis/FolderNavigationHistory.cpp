#include "analysis/FolderNavigationHistory.hpp"

namespace ambertrove {

namespace {

// Moves the last entry of `from` into current, pushing current onto `to`.
std::optional<std::string> step(std::optional<std::string>& current, std::vector<std::string>& from,
                                std::vector<std::string>& to) {
    if (from.empty())
        return std::nullopt;
    std::string target = std::move(from.back());
    from.pop_back();
    if (current)
        to.push_back(std::move(*current));
    current = target;
    return target;
}

} // namespace

void FolderNavigationHistory::reset(std::string path) {
    current = std::move(path);
    back.clear();
    forward.clear();
}

void FolderNavigationHistory::visit(const std::string& path) {
    if (current && *current == path)
        return;
    if (current) {
        back.push_back(std::move(*current));
        if (back.size() > kBackLimit)
            back.erase(back.begin());
    }
    current = path;
    forward.clear();
}

std::optional<std::string> FolderNavigationHistory::goBack() {
    return step(current, back, forward);
}

std::optional<std::string> FolderNavigationHistory::goForward() {
    return step(current, forward, back);
}

FolderNavigationHistory FolderNavigationHistory::resolvingPaths(
    const std::function<std::optional<std::string>(const std::string&)>& resolver) const {
    FolderNavigationHistory result;
    if (current)
        result.current = resolver(*current);
    auto rebuild = [&](const std::vector<std::string>& from, std::vector<std::string>& to) {
        for (const std::string& path : from) {
            std::optional<std::string> mapped = resolver(path);
            if (!mapped || (!to.empty() && to.back() == *mapped))
                continue;
            to.push_back(std::move(*mapped));
        }
        if (!to.empty() && result.current && to.back() == *result.current)
            to.pop_back();
    };
    rebuild(back, result.back);
    rebuild(forward, result.forward);
    return result;
}

} // namespace ambertrove
