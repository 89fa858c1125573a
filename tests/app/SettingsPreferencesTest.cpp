#include "controller/SettingsPreferences.hpp"

#include "support/TempDir.hpp"

#include <QSettings>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace ambertrove {
namespace {

std::unique_ptr<SettingsPreferences> openSettings(const std::string& file) {
    return std::make_unique<SettingsPreferences>(
        std::make_unique<QSettings>(QString::fromStdString(file), QSettings::IniFormat));
}

TEST(SettingsPreferencesTest, ValuesReadBackAsTheTypesTheyWereWrittenWithThroughARealFile) {
    test::TempDir folder;
    const std::string file = folder / "Ambertrove.conf";
    struct Case {
        const char* key;
        PreferenceValue value;
    };
    const std::vector<Case> cases{
        {"darkAppearance", true},
        {"snapshotsEnabled", false},
        {"colorTheme", std::string("Slate")},
        {"lastBackupParent", std::string("/media/backup drive/Ambertrove, copies")},
        {"recentFolders", std::vector<std::string>{"/home/user/Projects"}},
        {"count", std::int64_t(42)},
    };
    {
        auto settings = openSettings(file);
        for (const Case& c : cases)
            settings->setValue(c.key, c.value);
    }
    // Another store over the same file, as at the next start.
    auto settings = openSettings(file);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(settings->value(c.key), c.value);
    }
    EXPECT_EQ(settings->value("missing"), std::nullopt);
}

TEST(SettingsPreferencesTest, ListsOfAnyLengthReadBackAsLists) {
    test::TempDir folder;
    const std::string file = folder / "Ambertrove.conf";
    for (const std::vector<std::string>& list :
         {std::vector<std::string>{}, std::vector<std::string>{"/a"}, std::vector<std::string>{"/a", "/b, c"},
          std::vector<std::string>{"/a", "/b", "/c", "/d", "/e", "/f", "/g", "/h", "/i"}}) {
        openSettings(file)->setValue("recentFolders", list);
        EXPECT_EQ(openSettings(file)->value("recentFolders"), PreferenceValue(list));
    }
}

TEST(SettingsPreferencesTest, TheTextsTrueAndFalseReadAsBooleans) {
    test::TempDir folder;
    const std::string file = folder / "Ambertrove.conf";
    {
        QSettings raw(QString::fromStdString(file), QSettings::IniFormat);
        raw.setValue("a", QStringLiteral("true"));
        raw.setValue("b", QStringLiteral("false"));
        raw.setValue("c", QStringLiteral("False"));
        raw.setValue("d", QStringLiteral("yes"));
    }
    auto settings = openSettings(file);
    EXPECT_EQ(settings->value("a"), PreferenceValue(true));
    EXPECT_EQ(settings->value("b"), PreferenceValue(false));
    EXPECT_EQ(settings->value("c"), PreferenceValue(std::string("False")));
    EXPECT_EQ(settings->value("d"), PreferenceValue(std::string("yes")));
}

} // namespace
} // namespace ambertrove
