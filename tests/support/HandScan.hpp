#pragma once

#include "model/ScanResult.hpp"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace ambertrove::test {

// Builds a ScanResult by hand the way the scanner does: each entry added after its folder, children in
// the order added, folder totals (sizes, file and folder counts) summed when the scan is finished.
class HandScan {
public:
    explicit HandScan(std::string rootPath);

    // Each takes an absolute path whose folder was added before. Times are seconds since 1970.
    HandScan& folder(const std::string& path, std::int64_t modified = 0);
    HandScan& file(const std::string& path, std::int64_t logical, std::int64_t allocated,
                   std::int64_t modified = 0, std::int64_t accessed = 0);
    HandScan& symlink(const std::string& path, std::int64_t length, std::int64_t modified = 0);

    [[nodiscard]] ScanResult finish();

private:
    HandScan& add(const std::string& path, const NodeData& data);

    ScanResult m_scan;
    std::vector<NodeIndex> m_order;
    std::vector<NodeData> m_data;
    std::unordered_map<std::string, std::size_t> m_byPath;
    std::unordered_map<NodeIndex, std::size_t> m_byIndex;
};

} // namespace ambertrove::test
