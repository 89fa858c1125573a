#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ambertrove::RunningPrograms {

// The executable of this process, as `procRoot`/self/exe names it.
std::optional<std::string> ownExecutable(const std::string& procRoot = "/proc");

// The executables of the running processes listed under `procRoot`, each with its symbolic links resolved,
// in the listing's order. Processes whose executable cannot be read (kernel threads, other users' processes
// without permission) or was deleted are left out.
std::vector<std::string> executables(const std::string& procRoot = "/proc");

} // namespace ambertrove::RunningPrograms
