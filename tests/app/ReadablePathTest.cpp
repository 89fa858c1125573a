#include "controller/ReadablePath.hpp"
#include "support/CaseName.hpp"

#include <QDir>

#include <gtest/gtest.h>

#include <optional>

namespace ambertrove {
namespace {

struct ReadableCase {
    const char* name;
    QString path;
    std::optional<QString> root;
    QString home;
    QString expected;
};

class ReadablePathTable : public ::testing::TestWithParam<ReadableCase> {};

TEST_P(ReadablePathTable, ShortensThePathForDisplay) {
    const ReadableCase& c = GetParam();
    EXPECT_EQ(readablePath(c.path, c.root, c.home), c.expected) << c.name;
}

const QString kHome = QStringLiteral("/Users/u");
const QString kWork = QStringLiteral("/Volumes/Disk/Work");

INSTANTIATE_TEST_SUITE_P(
    Rules, ReadablePathTable,
    ::testing::Values(
        // Below the root: the part after root + "/"; nothing else applies.
        ReadableCase{"below root", kWork + "/a.txt", kWork, kHome, "a.txt"},
        ReadableCase{"deep below root", kWork + "/x/y/z", kWork, kHome, "x/y/z"},
        ReadableCase{"root below home still relative", "/Users/u/p/a", QString("/Users/u/p"), kHome, "a"},
        ReadableCase{"root with trailing slash needs two", kWork + "/a.txt", kWork + "/", kHome,
                     "/Volumes/Disk/Work/a.txt"},
        ReadableCase{"path equal to root falls through", kHome, kHome, kHome, "~"},
        ReadableCase{"root of slash needs two slashes", "/etc/hosts", QString("/"), kHome, "/etc/hosts"},
        ReadableCase{"root is only a text prefix", "/Volumes/Disk/Workshop/a", kWork, kHome,
                     "/Volumes/Disk/Workshop/a"},
        // The data volume folds to "/".
        ReadableCase{"data volume itself", "/System/Volumes/Data", std::nullopt, kHome, "/"},
        ReadableCase{"below data volume", "/System/Volumes/Data/Applications", std::nullopt, kHome,
                     "/Applications"},
        ReadableCase{"home below data volume", "/System/Volumes/Data/Users/u/x", std::nullopt, kHome, "~/x"},
        ReadableCase{"data volume is only a text prefix", "/System/Volumes/Database", std::nullopt, kHome,
                     "/System/Volumes/Database"},
        // The home folder folds to "~".
        ReadableCase{"home itself", kHome, std::nullopt, kHome, "~"},
        ReadableCase{"below home", "/Users/u/Documents/a b", std::nullopt, kHome, "~/Documents/a b"},
        ReadableCase{"sibling sharing the home's name", "/Users/uu", std::nullopt, kHome, "/Users/uu"},
        ReadableCase{"elsewhere", "/opt/x", std::nullopt, kHome, "/opt/x"},
        ReadableCase{"outside the root, home applies", "/Users/u/x", kWork, kHome, "~/x"},
        // Characters are grapheme clusters: a prefix never ends inside one.
        ReadableCase{"emoji sequence in the root", QString::fromUtf8("/Volumes/👩‍👩‍👧/a"),
                     QString::fromUtf8("/Volumes/👩‍👩‍👧"), kHome, "a"},
        ReadableCase{"combining mark in the home", QString::fromUtf8("/home/e\u0301/x"), std::nullopt,
                     QString::fromUtf8("/home/e\u0301"), "~/x"},
        ReadableCase{"base letter only of the home's last character", QString::fromUtf8("/home/e\u0301/x"),
                     std::nullopt, QString("/home/e"), QString::fromUtf8("/home/e\u0301/x")},
        ReadableCase{"mark joined to the slash after the home", QString::fromUtf8("/Users/u/\u0301x"),
                     std::nullopt, kHome, QString::fromUtf8("/Users/u/\u0301x")},
        ReadableCase{"mark joined to the slash after the root", QString::fromUtf8("/r/\u0301a"),
                     QString("/r"), kHome, QString::fromUtf8("/r/\u0301a")},
        ReadableCase{"flag below the home", QString::fromUtf8("/Users/u/🇫🇷/x"), std::nullopt, kHome,
                     QString::fromUtf8("~/🇫🇷/x")}),
    test::caseName<ReadableCase>);

TEST(ReadablePath, UsesTheSystemHomeFolderByDefault) {
    EXPECT_EQ(readablePath(QDir::homePath()), QStringLiteral("~"));
    EXPECT_EQ(readablePath(QDir::homePath() + QStringLiteral("/Music")), QStringLiteral("~/Music"));
}

} // namespace
} // namespace ambertrove
