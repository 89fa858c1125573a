#include "controller/SettingsPreferences.hpp"

#include <QStringList>
#include <QVariant>

#include <type_traits>

namespace ambertrove {

namespace {

QString keyText(std::string_view key) {
    return QString::fromUtf8(key.data(), qsizetype(key.size()));
}

std::vector<std::string> toStrings(const QVariant& value) {
    std::vector<std::string> strings;
    for (const QString& text : value.toStringList())
        strings.push_back(text.toStdString());
    return strings;
}

} // namespace

SettingsPreferences::SettingsPreferences(std::unique_ptr<QSettings> settings,
                                         std::set<std::string, std::less<>> listKeys)
    : m_settings(std::move(settings))
    , m_listKeys(std::move(listKeys)) {}

std::optional<PreferenceValue> SettingsPreferences::value(std::string_view key) const {
    const QVariant stored = m_settings->value(keyText(key));
    if (!stored.isValid())
        return std::nullopt;
    if (m_listKeys.contains(key))
        return toStrings(stored);
    switch (stored.typeId()) {
    case QMetaType::Bool:
        return stored.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return std::int64_t(stored.toLongLong());
    case QMetaType::Double:
        return stored.toDouble();
    case QMetaType::QStringList:
    case QMetaType::QVariantList:
        return toStrings(stored);
    default:
        break;
    }
    const QString text = stored.toString();
    if (text == QLatin1String("true"))
        return true;
    if (text == QLatin1String("false"))
        return false;
    return text.toStdString();
}

void SettingsPreferences::setValue(std::string_view key, const PreferenceValue& value) {
    const QVariant stored = std::visit(
        [](const auto& v) -> QVariant {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, bool>)
                return QVariant(v);
            else if constexpr (std::is_same_v<T, std::int64_t>)
                return QVariant(qlonglong(v));
            else if constexpr (std::is_same_v<T, double>)
                return QVariant(v);
            else if constexpr (std::is_same_v<T, std::string>)
                return QVariant(QString::fromStdString(v));
            else {
                QStringList list;
                for (const std::string& s : v)
                    list.push_back(QString::fromStdString(s));
                return QVariant(list);
            }
        },
        value);
    m_settings->setValue(keyText(key), stored);
    m_settings->sync();
}

} // namespace ambertrove
