#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ambertrove::PathResolution {

// The path with "." and ".." components and repeated or trailing slashes removed, by text alone.
// A relative path is taken from the working folder first.
std::string standardized(std::string_view path);

// The path with every symbolic link along it resolved: the longest prefix that exists is resolved and the
// rest is appended as written (missing components need not exist or be folders). Absent when the links
// loop (more than 40 of them are met).
std::optional<std::string> resolvingSymlinks(std::string_view path);
// The same for `resolvedFolder` followed by `relative`, where `resolvedFolder` is a result of the above:
// only the components of `relative` are read, so that many paths inside one folder cost less.
std::optional<std::string> resolvingSymlinks(const std::string& resolvedFolder, std::string_view relative);

// The non-empty components of a path, in order.
std::vector<std::string_view> components(std::string_view path);

// The target of the symbolic link at `path`, or nothing when it is not a readable link.
std::optional<std::string> readLink(const std::string& path);

// Whether an entry exists at `path` without following a final symbolic link (a dangling link exists).
bool entryExists(const std::string& path);

// The folder that holds `path`: the text before its last "/", "/" for a top-level path.
std::string parentPath(std::string_view path);

// Whether `path` equals `folder` or lies inside it; every absolute path lies inside "/".
bool isSameOrInside(std::string_view path, std::string_view folder);
// Whether `path` lies strictly inside `folder` ("/" counting as the prefix "/").
bool isInside(std::string_view path, std::string_view folder);

} // namespace ambertrove::PathResolution
