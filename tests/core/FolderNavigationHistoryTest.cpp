#include "analysis/FolderNavigationHistory.hpp"

#include <gtest/gtest.h>

#include <map>

namespace ambertrove {
namespace {

using Paths = std::vector<std::string>;

FolderNavigationHistory visited(const Paths& paths) {
    FolderNavigationHistory h;
    for (const auto& p : paths)
        h.visit(p);
    return h;
}

TEST(FolderNavigationHistory, StartsEmptyAndCannotMove) {
    FolderNavigationHistory h;
    EXPECT_FALSE(h.current);
    EXPECT_EQ(h.goBack(), std::nullopt);
    EXPECT_EQ(h.goForward(), std::nullopt);
    EXPECT_EQ(h, FolderNavigationHistory{});
}

TEST(FolderNavigationHistory, VisitsBackAndForward) {
    FolderNavigationHistory h = visited({"/A", "/B", "/C"});
    EXPECT_EQ(h.back, (Paths{"/A", "/B"}));
    EXPECT_EQ(h.goBack(), "/B");
    EXPECT_EQ(h.current, "/B");
    EXPECT_EQ(h.forward, (Paths{"/C"}));
    EXPECT_EQ(h.back, (Paths{"/A"}));
    EXPECT_EQ(h.goForward(), "/C");
    EXPECT_EQ(h.back, (Paths{"/A", "/B"}));
    EXPECT_TRUE(h.forward.empty());
    EXPECT_EQ(h.goForward(), std::nullopt);
    EXPECT_EQ(h.current, "/C");
}

TEST(FolderNavigationHistory, VisitOfTheShownFolderKeepsForward) {
    FolderNavigationHistory h = visited({"/A", "/B", "/C"});
    ASSERT_EQ(h.goBack(), "/B");
    const FolderNavigationHistory before = h;
    h.visit("/B");
    EXPECT_EQ(h, before);
    h.visit("/D");
    EXPECT_TRUE(h.forward.empty());
    EXPECT_EQ(h.back, (Paths{"/A", "/B"}));
}

TEST(FolderNavigationHistory, BackIsTrimmedToTheHundredMostRecent) {
    FolderNavigationHistory h;
    for (int i = 0; i < 150; ++i)
        h.visit("/f" + std::to_string(i));
    ASSERT_EQ(h.back.size(), 100u);
    EXPECT_EQ(h.back.front(), "/f49");
    EXPECT_EQ(h.back.back(), "/f148");
    EXPECT_EQ(h.current, "/f149");
    // Going back and forth only moves entries, never past the limit.
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(h.goBack());
    EXPECT_EQ(h.goBack(), std::nullopt);
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(h.goForward());
    EXPECT_EQ(h.back.size(), 100u);
    EXPECT_EQ(h.current, "/f149");
}

TEST(FolderNavigationHistory, ResetForgetsBothWays) {
    FolderNavigationHistory h = visited({"/A", "/B", "/C"});
    h.goBack();
    h.reset("/R");
    EXPECT_EQ(h.current, "/R");
    EXPECT_TRUE(h.back.empty());
    EXPECT_TRUE(h.forward.empty());
}

struct ResolveCase {
    const char* name;
    FolderNavigationHistory history;
    std::map<std::string, std::string> mapping; // paths missing here resolve to nothing
    FolderNavigationHistory expected;
};

FolderNavigationHistory make(std::optional<std::string> current, Paths back, Paths forward) {
    FolderNavigationHistory h;
    h.current = std::move(current);
    h.back = std::move(back);
    h.forward = std::move(forward);
    return h;
}

TEST(FolderNavigationHistory, ResolvingPaths) {
    const std::vector<ResolveCase> cases = {
        {"drops a folder the new scan lacks",
         make("/D", {"/A", "/B", "/C"}, {}),
         {{"/A", "/A"}, {"/C", "/C"}, {"/D", "/D"}},
         make("/D", {"/A", "/C"}, {})},
        {"everything to one folder",
         make("/D", {"/A", "/B", "/C"}, {"/F", "/E"}),
         {{"/A", "/R"}, {"/B", "/R"}, {"/C", "/R"}, {"/D", "/R"}, {"/E", "/R"}, {"/F", "/R"}},
         make("/R", {}, {})},
        {"runs collapse, ends equal to current dropped",
         make("/X", {"/A", "/B", "/C", "/D"}, {"/E", "/F"}),
         {{"/A", "/1"}, {"/B", "/2"}, {"/C", "/2"}, {"/D", "/X"}, {"/E", "/X"}, {"/F", "/F"}, {"/X", "/X"}},
         make("/X", {"/1", "/2"}, {"/X", "/F"})},
        {"current lost",
         make("/gone", {"/A", "/gone"}, {"/B"}),
         {{"/A", "/A"}, {"/B", "/B"}},
         make(std::nullopt, {"/A"}, {"/B"})},
        {"no current", make(std::nullopt, {"/A"}, {}), {{"/A", "/A"}}, make(std::nullopt, {"/A"}, {})},
    };
    for (const ResolveCase& c : cases) {
        Paths calls;
        const auto resolver = [&](const std::string& p) -> std::optional<std::string> {
            calls.push_back(p);
            auto it = c.mapping.find(p);
            return it == c.mapping.end() ? std::nullopt : std::optional(it->second);
        };
        const FolderNavigationHistory before = c.history;
        EXPECT_EQ(c.history.resolvingPaths(resolver), c.expected) << c.name;
        EXPECT_EQ(c.history, before) << c.name;
        Paths order;
        if (c.history.current)
            order.push_back(*c.history.current);
        order.insert(order.end(), c.history.back.begin(), c.history.back.end());
        order.insert(order.end(), c.history.forward.begin(), c.history.forward.end());
        EXPECT_EQ(calls, order) << c.name;
    }
}

} // namespace
} // namespace ambertrove
