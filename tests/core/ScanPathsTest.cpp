#include "scan/ScanPaths.hpp"

#include <gtest/gtest.h>

using namespace ambertrove;

TEST(ScanPaths, EquivalentForms) {
    struct Case {
        std::string path;
        std::vector<std::string> forms;
    };
    const std::string d = "/System/Volumes/Data";
    const Case cases[] = {
        {"/Users/ann/Music", {"/Users/ann/Music", d + "/Users/ann/Music"}},
        {d + "/Users/ann", {d + "/Users/ann", "/Users/ann"}},
        {"/", {"/", d}},
        {d, {d, "/"}},
        {"/var/log", {"/var/log", d + "/var/log", "/private/var/log", d + "/private/var/log"}},
        {"/private/tmp/x", {"/private/tmp/x", d + "/private/tmp/x", "/tmp/x", d + "/tmp/x"}},
        {d + "/private/etc/hosts",
         {d + "/private/etc/hosts", "/private/etc/hosts", "/etc/hosts", d + "/etc/hosts"}},
        {"/a/./b/../c//d/", {"/a/c/d", d + "/a/c/d"}},
        {"/..", {"/", d}},
        {"/../..", {"/", d}},
        {"/variable", {"/variable", d + "/variable"}},
        {"/System/Volumes/Database", {"/System/Volumes/Database", d + "/System/Volumes/Database"}},
        {"/tmp", {"/tmp", d + "/tmp", "/private/tmp", d + "/private/tmp"}},
        {"Users/ann", {}},
        {std::string("/a\0b", 4), {}},
        {"", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScanPaths::candidates(c.path), c.forms) << c.path;
}
