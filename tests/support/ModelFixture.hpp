#pragma once

#include "model/ScanResult.hpp"

#include <cstdint>
#include <string>

namespace ambertrove::test {

// Builds a scan by hand, the way the scanner does: entries in walk order (a folder before its contents),
// children in the order added, subtree totals rolled up by finish().
class ModelFixture {
public:
    explicit ModelFixture(const std::string& rootPath);

    NodeIndex folder(const std::string& path, std::int64_t modifiedUnix = 1'600'000'000);
    NodeIndex file(const std::string& path, std::int64_t logical, std::int64_t allocated,
                   std::int64_t modifiedUnix = 1'600'000'000);
    // Any node, with the given figures as its own.
    NodeIndex add(const std::string& path, NodeData data);
    ScanResult finish();

private:
    ScanResult m_scan;
    std::uint64_t m_nextInode = 100;
};

} // namespace ambertrove::test
