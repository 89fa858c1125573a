#include "analysis/NameMatcher.hpp"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include <algorithm>

namespace ambertrove {

namespace {

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

std::string NameMatcher::fold(std::string_view text) {
    if (isAscii(text)) {
        // Plain ASCII folds to lower case and is already in canonical form.
        std::string out(text);
        for (char& c : out)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return out;
    }
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    icu::UnicodeString u =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    if (U_SUCCESS(status))
        u = nfd->normalize(u, status);
    u.foldCase();
    if (U_SUCCESS(status))
        u = nfc->normalize(u, status);
    std::string out;
    u.toUTF8String(out);
    return out;
}

NameMatcher::NameMatcher(std::string_view needle)
    : m_needle(fold(needle)) {}

bool NameMatcher::matches(std::string_view name) const {
    if (m_needle.empty())
        return true;
    if (isAscii(name)) {
        if (name.size() < m_needle.size())
            return false;
        m_buffer.assign(name);
        for (char& c : m_buffer)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return m_buffer.find(m_needle) != std::string::npos;
    }
    return fold(name).find(m_needle) != std::string::npos;
}

} // namespace ambertrove
