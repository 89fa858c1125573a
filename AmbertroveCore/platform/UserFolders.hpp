#pragma once

#include <string>

namespace ambertrove::UserFolders {

// The current user's home folder: $HOME, else the password entry's, with every symbolic link resolved.
std::string home();

// The user's data folder: $XDG_DATA_HOME when it is an absolute path, else `home` + "/.local/share".
std::string dataHome(const std::string& home);

} // namespace ambertrove::UserFolders
