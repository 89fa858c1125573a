#include "analysis/LocalizedOrder.hpp"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

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
    const icu::UnicodeString u =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    const std::size_t start = out.size();
    out.resize(start + 64);
    int32_t needed = m_collator->getSortKey(u, reinterpret_cast<uint8_t*>(out.data() + start), 64);
    if (needed > 64) {
        out.resize(start + static_cast<std::size_t>(needed));
        needed = m_collator->getSortKey(u, reinterpret_cast<uint8_t*>(out.data() + start), needed);
    }
    // The key ends in a zero byte, which is left out so that keys can be compared by length too.
    out.resize(start + static_cast<std::size_t>(needed > 0 ? needed - 1 : 0));
}

} // namespace ambertrove
