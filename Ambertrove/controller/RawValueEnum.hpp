#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <optional>

namespace ambertrove {

// Enumerations whose display text is also their stored value. Each specialises EnumTexts with its cases
// in declaration order and their texts; the functions below give the text, the cases, and the case of a
// text (an exact match, nothing otherwise).
template <typename E> struct EnumTexts;

template <typename E> constexpr const auto& allCases() {
    return EnumTexts<E>::cases;
}

template <typename E> QString rawValue(E value) {
    const auto& cases = EnumTexts<E>::cases;
    for (std::size_t i = 0; i < cases.size(); ++i)
        if (cases[i] == value)
            return QString::fromUtf8(EnumTexts<E>::texts[i]);
    return {};
}

template <typename E> std::optional<E> fromRawValue(const QString& text) {
    const auto& cases = EnumTexts<E>::cases;
    for (std::size_t i = 0; i < cases.size(); ++i)
        if (text == QString::fromUtf8(EnumTexts<E>::texts[i]))
            return cases[i];
    return std::nullopt;
}

} // namespace ambertrove
