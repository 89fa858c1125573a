#pragma once

#include "model/DiskNode.hpp"
#include "model/NodeTable.hpp"

#include <cstdint>
#include <string_view>

// How one entry is shown in lists and tables: its item count, whether a folder is shown as one item
// (a bundle), and the text of its kind column. Each comes for a DiskNode value and for a record of a
// scan's table, so that sorting millions of records needs no node values.
namespace ambertrove::NodeDisplay {

// A directory's files and folders below it; 1 for anything else.
[[nodiscard]] std::int64_t itemCount(const DiskNode& node);
[[nodiscard]] std::int64_t itemCount(const NodeTable& nodes, NodeIndex i);

// A directory whose extension names a bundle (applications, frameworks, libraries, documents kept as
// folders).
[[nodiscard]] bool isPackage(const DiskNode& node);
[[nodiscard]] bool isPackage(const NodeTable& nodes, NodeIndex i);
[[nodiscard]] bool isPackageDirectory(std::string_view path);

// "Symbolic link", "Application" for a package, "Folder", else the display name of the file's category.
[[nodiscard]] std::string_view kindName(const DiskNode& node);
[[nodiscard]] std::string_view kindName(const NodeTable& nodes, NodeIndex i);

} // namespace ambertrove::NodeDisplay
