#pragma once

#include <string>

namespace ambertrove {

// A path that was not measured, and the sentence that says why.
struct ScanIssue {
    std::string path;
    std::string message;

    [[nodiscard]] std::string id() const { return path + message; }
    friend bool operator==(const ScanIssue&, const ScanIssue&) = default;
};

} // namespace ambertrove
