#include "applications/ApplicationOwnership.hpp"
#include "support/BundleFixture.hpp"

#include <gtest/gtest.h>

#include <map>

namespace ambertrove {
namespace {

using test::makeBundle;
using test::TempDir;
using Identifiers = std::set<std::string, std::less<>>;

TEST(ApplicationOwnershipTest, UnsignedApplicationWithoutNestedBundlesHasItsOwnIdentifierOnly) {
    TempDir dir;
    const std::string app = makeBundle(dir, "Foo.app", "com.example.foo");
    const ApplicationOwnership ownership = ApplicationOwnership::read(app);
    EXPECT_EQ(ownership.identifiers, Identifiers{"com.example.foo"});
    EXPECT_TRUE(ownership.groups.empty());
}

TEST(ApplicationOwnershipTest, NestedBundlesAddTheirIdentifiers) {
    TempDir dir;
    const std::string app = makeBundle(dir, "Foo.app", "com.example.foo");
    const std::string c = "Foo.app/Contents/";
    struct Nested {
        std::string relative;
        bool found;
    };
    const std::vector<Nested> cases = {
        {"PlugIns/Share.appex", true},
        {"XPCServices/Fetch.xpc", true},
        {"Library/LoginItems/Helper.app", true},
        {"Library/SystemExtensions/Driver.systemextension", true},
        {"Frameworks/Kit.framework/Versions/A/XPCServices/Render.xpc", true}, // level 5
        {"Frameworks/a/b/c/d/e/Six.app", true},                               // level 6
        {"Frameworks/a/b/c/d/e/f/Seven.app", false},                          // level 7
        {"PlugIns/Share.appex/Contents/PlugIns/Inner.appex", false},          // inside a nested bundle
        {"PlugIns/.Hidden.appex", false},
        {"PlugIns/Upper.APPEX", false}, // the extension test is exact
        {"PlugIns/Tool.bundle", false},
        {"Resources/Other.app", false}, // not a nested-bundle folder
    };
    Identifiers expected{"com.example.foo"};
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::string id = "com.example.nested" + std::to_string(i);
        makeBundle(dir, c + cases[i].relative, id);
        if (cases[i].found)
            expected.insert(id);
    }
    // A nested bundle without an identifier adds nothing and does not disturb the others.
    makeBundle(dir, c + "PlugIns/Anonymous.appex", std::nullopt);
    EXPECT_EQ(ApplicationOwnership::read(app).identifiers, expected);
}

TEST(ApplicationOwnershipTest, BundlesAreAskedForGroupsInOrderAndUnusableGroupsAreDropped) {
    TempDir dir;
    const std::string app = makeBundle(dir, "Foo.app", "com.example.foo");
    const std::string loginItem =
        makeBundle(dir, "Foo.app/Contents/Library/LoginItems/Helper.app", "com.example.h");
    const std::string plugIn = makeBundle(dir, "Foo.app/Contents/PlugIns/Share.appex", "com.example.share");
    std::vector<std::string> asked;
    const std::map<std::string, std::optional<std::vector<std::string>>> signatures = {
        {app, std::vector<std::string>{"group.com.example.shared", "", "a/b", ".", "..", "group..ok"}},
        {plugIn, std::nullopt}, // no valid signature
        {loginItem, std::vector<std::string>{"group.com.example.helper", "group.com.example.shared"}},
    };
    const ApplicationOwnership ownership = ApplicationOwnership::read(app, [&](const std::string& path) {
        asked.push_back(path);
        return signatures.at(path);
    });
    EXPECT_EQ(asked, (std::vector<std::string>{app, plugIn, loginItem}));
    EXPECT_EQ(ownership.groups,
              (Identifiers{"group..ok", "group.com.example.helper", "group.com.example.shared"}));
    EXPECT_EQ(ownership.identifiers, (Identifiers{"com.example.foo", "com.example.h", "com.example.share"}));
}

TEST(ApplicationOwnershipTest, WithoutCodeSignaturesThereAreNoGroups) {
    TempDir dir;
    const std::string app = makeBundle(dir, "Foo.app", "com.example.foo");
    makeBundle(dir, "Foo.app/Contents/PlugIns/Share.appex", "com.example.share");
    EXPECT_TRUE(ApplicationOwnership::read(app).groups.empty());
}

TEST(ApplicationOwnershipTest, MissingOrUnreadableBundlesContributeNothing) {
    TempDir dir;
    EXPECT_EQ(ApplicationOwnership::read(dir / "Gone.app"), ApplicationOwnership{});
    dir.makeFile("Broken.app/Contents/Info.plist", "not a property list");
    EXPECT_EQ(ApplicationOwnership::read(dir / "Broken.app"), ApplicationOwnership{});
}

TEST(ApplicationOwnershipTest, Matches) {
    const ApplicationOwnership ownership{{"com.example.app", "org.other"}, {"group.com.example.shared"}};
    struct Case {
        std::string name;
        bool groupContainer;
        bool matches;
    };
    const std::vector<Case> cases = {
        {"com.example.app", false, true},
        {"com.example.app.agent", false, true},
        {"org.other.plist", false, true},
        {"com.example.apps", false, false},
        {"com.Example.app", false, false},
        {"com.example", false, false},
        {"", false, false},
        {"group.com.example.shared", false, false},
        {"group.com.example.shared", true, true},
        {"group.com.example.shared.more", true, false},
        {"com.example.app", true, false}, // a group container matches declared groups only
    };
    for (const Case& c : cases)
        EXPECT_EQ(ownership.matches(c.name, c.groupContainer), c.matches)
            << c.name << (c.groupContainer ? " (group container)" : "");
}

TEST(ApplicationOwnershipTest, SupportSubpaths) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"com.google.Chrome", {"Google/Chrome"}}, {"com.brave.Browser", {"BraveSoftware/Brave-Browser"}},
        {"com.microsoft.VSCode", {"Code"}},       {"com.google.chrome", {}},
        {"com.google.Chrome.helper", {}},         {"", {}},
    };
    for (const auto& [identifier, folders] : cases)
        EXPECT_EQ(ApplicationOwnership::supportSubpaths(identifier), folders) << identifier;
}

} // namespace
} // namespace ambertrove
