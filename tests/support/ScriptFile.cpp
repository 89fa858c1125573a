#include "support/ScriptFile.hpp"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <sys/stat.h>

namespace ambertrove::test {

std::string makeScript(TempDir& dir, const std::string& name, const std::string& body) {
    const std::string path = dir.makeFile(name, "#!/bin/sh\n" + body);
    if (::chmod(path.c_str(), 0755) != 0)
        throw std::runtime_error("chmod " + path + ": " + std::strerror(errno));
    return path;
}

} // namespace ambertrove::test
