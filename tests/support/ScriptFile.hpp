#pragma once

#include "support/TempDir.hpp"

#include <string>

namespace ambertrove::test {

// Writes an executable shell script `name` with `body` (after a "#!/bin/sh" line) into `dir`; returns its
// path.
std::string makeScript(TempDir& dir, const std::string& name, const std::string& body);

} // namespace ambertrove::test
