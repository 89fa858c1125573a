#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

// Table tests are named after their rows, so that ctest's list and a failure say which row it is.
namespace ambertrove::test {

// `text` as a test name, which may hold ASCII letters, digits and "_" only: every run of other characters
// becomes one "_", and none is kept at either end.
inline std::string testName(std::string_view text) {
    std::string name;
    bool gap = false;
    for (const char c : text) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
            if (gap && !name.empty())
                name += '_';
            name += c;
            gap = false;
        } else {
            gap = true;
        }
    }
    return name;
}

// A path as a test name. A hidden entry's leading dot reads "dot", so that "p/.build" (p_dot_build) and
// "p/build" (p_build) stay apart; "/" is "root".
inline std::string pathName(std::string_view path) {
    if (path == "/")
        return "root";
    std::string text;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const bool hidden = path[i] == '.' && (i == 0 || path[i - 1] == '/') && i + 1 < path.size() &&
                            path[i + 1] != '.' && path[i + 1] != '/';
        text += hidden ? std::string_view("dot_") : path.substr(i, 1);
    }
    return testName(text);
}

// The fourth argument of INSTANTIATE_TEST_SUITE_P for a table whose rows have a `name`.
template <class Case> std::string caseName(const ::testing::TestParamInfo<Case>& row) {
    return testName(row.param.name);
}

} // namespace ambertrove::test
