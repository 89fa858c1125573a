#include "analysis/LocalizedOrder.hpp"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <iterator>
#include <stdexcept>

namespace ambertrove {

LocalizedOrder::LocalizedOrder(const std::string& locale) {
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale where = locale.empty() ? icu::Locale::getDefault() : icu::Locale(locale.c_str());
    // The POSIX locale (no locale set) sorts by code point, capitals first; a user with no language
    // setting still expects names sorted without regard to case.
    if (std::string_view(where.getVariant()) == "POSIX")
        where = icu::Locale::getRoot();
    m_collator.reset(icu::Collator::createInstance(where, status));
    if (U_FAILURE(status) || !m_collator) {
        status = U_ZERO_ERROR;
        m_collator.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
    }
    if (U_FAILURE(status) || !m_collator)
        throw std::runtime_error("No collator is available for sorting names.");
    // Secondary strength ignores case but keeps accents apart.
    m_collator->setStrength(icu::Collator::SECONDARY);
    m_collator->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
    m_collator->setAttribute(UCOL_NORMALIZATION_MODE, UCOL_ON, status);
}

LocalizedOrder::~LocalizedOrder() = default;

int LocalizedOrder::compare(std::string_view a, std::string_view b) const {
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult r =
        m_collator->compareUTF8(icu::StringPiece(a.data(), static_cast<int32_t>(a.size())),
                                icu::StringPiece(b.data(), static_cast<int32_t>(b.size())), status);
    return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

void LocalizedOrder::appendSortKey(std::string_view text, std::string& out) const {
    // Most names are short ASCII: widened in place they need no conversion and no allocation.
    UChar wide[128];
    icu::UnicodeString converted;
    const UChar* chars = wide;
    int32_t length = 0;
    const bool ascii = text.size() <= std::size(wide) && std::all_of(text.begin(), text.end(), [](char c) {
                           return static_cast<unsigned char>(c) < 0x80;
                       });
    if (ascii) {
        for (char c : text)
            wide[length++] = static_cast<UChar>(c);
    } else {
        converted =
            icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
        chars = converted.getBuffer();
        length = converted.length();
    }
    uint8_t key[256];
    int32_t needed = m_collator->getSortKey(chars, length, key, sizeof key);
    if (needed <= static_cast<int32_t>(sizeof key)) {
        // The key ends in a zero byte, which is left out so that keys can be compared by length too.
        out.append(reinterpret_cast<const char*>(key), static_cast<std::size_t>(needed > 0 ? needed - 1 : 0));
        return;
    }
    std::string large(static_cast<std::size_t>(needed), '\0');
    needed = m_collator->getSortKey(chars, length, reinterpret_cast<uint8_t*>(large.data()), needed);
    out.append(large.data(), static_cast<std::size_t>(needed > 0 ? needed - 1 : 0));
}

} // namespace ambertrove
