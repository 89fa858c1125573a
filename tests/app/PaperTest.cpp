#include "theme/Paper.hpp"

#include "controller/AppTheme.hpp"

#include <gtest/gtest.h>

#include <string>

namespace ambertrove {
namespace {

constexpr double kDay = 86400;

class PaperTest : public ::testing::Test {
protected:
    void TearDown() override { setCurrentTheme(AppTheme::paper); }
};

TEST_F(PaperTest, RoleColoursTakeTheLightValueOfTheCurrentThemeAndTheSharedDarkValue) {
    setCurrentTheme(AppTheme::slate);
    EXPECT_EQ(Paper::ink(), (AdaptiveColor{0xF4F1E7, 0x2C2C40}));
    setCurrentTheme(AppTheme::paper);
    EXPECT_EQ(Paper::ink(), (AdaptiveColor{0xF4F1E7, 0x23251F}));
    EXPECT_EQ(Paper::panel(), (AdaptiveColor{0x262723, 0xF6F2E8}));
    setCurrentTheme(AppTheme::mist);
    EXPECT_EQ(Paper::accent(), (AdaptiveColor{0xA8C8AE, 0x487B96}));
    EXPECT_EQ(Paper::ink().resolved(true), QColor(0xF4, 0xF1, 0xE7));
    EXPECT_EQ(Paper::ink().resolved(false), QColor(0x23, 0x34, 0x40));
}

TEST_F(PaperTest, Djb2WrapsInSixtyFourBits) {
    EXPECT_EQ(Paper::djb2(""), 5381u);
    EXPECT_EQ(Paper::djb2("a"), 5381u * 33 + 'a');
    EXPECT_EQ(Paper::djb2("Library/Caches") % 25, 16u);
    EXPECT_EQ(Paper::djb2("Projects") % 9, 1u);
    // Long enough to wrap many times; the value is what unsigned arithmetic gives.
    std::uint64_t h = 5381;
    const std::string text(200, '\xFF');
    for (unsigned char c : text)
        h = h * 33 + c;
    EXPECT_EQ(Paper::djb2(text), h);
}

TEST_F(PaperTest, FolderModeColoursByTheTopLevelFolderBelowTheRoot) {
    const Date now = Date::fromUnix(1.7e9);
    const auto folder = [&](const char* path, const char* root) {
        return Paper::color(path, now, ColorMode::folder, root, now);
    };
    const auto& colors = Paper::colors();
    EXPECT_EQ(folder("/R/Music", "/R"), colors[7]);
    EXPECT_EQ(folder("/R/Library/Caches", "/R"), (AdaptiveColor{0x6E675B, 0xE2D0B1}));
    EXPECT_EQ(folder("/R/Projects", "/R"), colors[1]);
    // Outside the root, and the root itself: a top-level entry named by its own last component.
    EXPECT_EQ(folder("/elsewhere/Music", "/R"), colors[7]);
    EXPECT_EQ(folder("/R", "/R"), colors[Paper::djb2("R") % 9]);
    EXPECT_EQ(folder("/RMusic/x", "/R"), colors[Paper::djb2("x") % 9]);
    // The file system's root: entries below it keep their own top-level folder.
    EXPECT_EQ(folder("/Music", "/"), colors[7]);
    EXPECT_EQ(folder("/Library/Caches", "/"), (AdaptiveColor{0x6E675B, 0xE2D0B1}));
    EXPECT_EQ(folder("/Library/Caches", ""), (AdaptiveColor{0x6E675B, 0xE2D0B1}));
}

TEST_F(PaperTest, FolderShadesStayWithinTheirBoundsAndAreStable) {
    const Date now = Date::fromUnix(1.7e9);
    for (int i = 0; i < 200; ++i) {
        const std::string path = "/R/Downloads/item" + std::to_string(i);
        const AdaptiveColor c = Paper::color(path, now, ColorMode::folder, "/R", now);
        EXPECT_EQ(c, Paper::color(path, now, ColorMode::folder, "/R", now));
        const double shade = double(Paper::djb2(path.substr(3)) % 25) / 100.0 - 0.12;
        EXPECT_GE(shade, -0.12);
        EXPECT_LE(shade, 0.12);
        // Base 0xCA99B3 moved by at most 0.12 of full scale per channel.
        const int red = int((c.light >> 16) & 0xFF);
        EXPECT_NEAR(red, 0xCA + shade * 255, 1.0) << path;
    }
}

TEST_F(PaperTest, TypeModeUsesTheCategoryPositionAlsoForFolders) {
    const Date now = Date::fromUnix(1.7e9);
    const auto& colors = Paper::colors();
    EXPECT_EQ(Paper::color("/a/film.mp4", now, ColorMode::type, "/a", now), colors[0]);
    EXPECT_EQ(Paper::color("/a/notes.txt", now, ColorMode::type, "/a", now), colors[3]);
    EXPECT_EQ(Paper::color("/a/Photos.png", now, ColorMode::type, "/a", now), colors[2]);
    EXPECT_EQ(Paper::color("/a/plain", now, ColorMode::type, "/a", now), colors[6]);
}

TEST_F(PaperTest, AgeModeBoundaries) {
    const Date now = Date::fromUnix(1.7e9);
    const auto& colors = Paper::colors();
    struct Case {
        double ageDays;
        std::size_t index;
    };
    for (const Case& c : {Case{-5, 6}, Case{0, 6}, Case{29, 6}, Case{29.999, 6}, Case{30, 2}, Case{179, 2},
                          Case{180, 0}, Case{364, 0}, Case{365, 1}, Case{4000, 1}}) {
        const Date modified{now.sinceReferenceDate - c.ageDays * kDay};
        EXPECT_EQ(Paper::color("/a/f", modified, ColorMode::age, "/a", now), colors[c.index]) << c.ageDays;
    }
}

TEST_F(PaperTest, DotsAndAmberAreFixed) {
    ASSERT_EQ(Paper::dots().size(), 7u);
    EXPECT_EQ(Paper::dots()[0], QColor::fromRgbF(0.83f, 0.40f, 0.54f));
    EXPECT_EQ(Paper::dots()[6], QColor::fromRgbF(0.61f, 0.60f, 0.55f));
    EXPECT_EQ(Paper::amber(), (AdaptiveColor{0xD5AE6A, 0xAD7D33}));
}

} // namespace
} // namespace ambertrove
