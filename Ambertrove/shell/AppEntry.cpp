#include "shell/AppEntry.hpp"

#include "controller/SettingsPreferences.hpp"
#include "storage/AppStorage.hpp"

#include <QFileInfo>
#include <QSettings>

#include <cstdlib>
#include <memory>

namespace ambertrove::AppEntry {

namespace {

const QString kProductWord = QStringLiteral("Ambertrove");
const QString kFormerProductWord = QStringLiteral("Tessavale");

} // namespace

std::optional<QString> scanArgument(const QStringList& arguments) {
    const qsizetype option = arguments.indexOf(QStringLiteral("--scan"));
    if (option < 0 || option + 1 >= arguments.size())
        return std::nullopt;
    return arguments[option + 1];
}

std::string stateDirectory(const std::optional<std::string>& variable) {
    if (variable && variable->starts_with('/'))
        return *variable;
    return AppStorage::directory();
}

std::string stateDirectory() {
    const char* value = std::getenv(kStateDirectoryVariable);
    return stateDirectory(value ? std::optional<std::string>(value) : std::nullopt);
}

SettingsName settingsName() {
    return {kProductWord, kProductWord};
}

std::optional<SettingsName> legacySettingsName(const SettingsName& name) {
    if (!name.organization.startsWith(kProductWord))
        return std::nullopt;
    SettingsName legacy = name;
    legacy.organization.replace(kProductWord, kFormerProductWord);
    legacy.application.replace(kProductWord, kFormerProductWord);
    return legacy;
}

PreferenceTable legacyTable(QSettings& legacy) {
    // Read through the same adapter as the current settings, so that texts stored for Booleans and lists
    // of one element come back as what they were.
    SettingsPreferences reader(std::make_unique<QSettings>(legacy.fileName(), legacy.format()));
    PreferenceTable table;
    for (const std::string_view key : AppStorage::kMigratedKeys)
        if (auto value = reader.value(key))
            table.emplace(std::string(key), std::move(*value));
    return table;
}

void migrateLegacySettings(PreferenceStore& target, const SettingsName& current) {
    const auto name = legacySettingsName(current);
    if (!name)
        return;
    QSettings legacy(QSettings::IniFormat, QSettings::UserScope, name->organization, name->application);
    // Reading a settings file that does not exist creates nothing, but there is nothing to copy either.
    if (!QFileInfo::exists(legacy.fileName()))
        return;
    AppStorage::migratePreferences(target, legacyTable(legacy));
}

} // namespace ambertrove::AppEntry
