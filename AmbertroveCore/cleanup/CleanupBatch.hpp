#pragma once

#include "cleanup/CleanupEntry.hpp"
#include "cleanup/CleanupPolicy.hpp"
#include "model/ScanResult.hpp"
#include "scan/CancellationFlag.hpp"

#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

namespace ambertrove {

// The result of staging a list of paths of one scan in one pass.
struct CleanupBatch {
    static constexpr std::size_t kMaxErrorLines = 8;

    // One per path that could be staged, in input order.
    std::vector<CleanupEntry> entries;
    // "name: reason" for the first failures, at most kMaxErrorLines.
    std::vector<std::string> errors;
    // Every path that failed, also those beyond the kept lines.
    std::int64_t skipped = 0;

    using PolicyFactory = std::function<CleanupPolicy()>;

    // Stages each path under one policy made for the batch (the current user's, unless `policy` is given).
    // Throws only CancellationError, when `cancellation` or `task` asks to stop; nothing built is kept then.
    static CleanupBatch prepare(const std::vector<std::string>& paths, const ScanResult& scan,
                                const std::string& reason, const CancellationFlag& cancellation,
                                std::stop_token task = {}, const PolicyFactory& policy = {});
};

} // namespace ambertrove
