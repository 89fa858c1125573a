#include "platform/Sha256.hpp"

#include <openssl/evp.h>
#include <stdexcept>
#include <utility>

namespace ambertrove {

namespace {

// Fetched once: with the implicit fetch behind EVP_sha256() every initialisation looks the algorithm up
// again under a library lock, which shows when many small files are hashed on several threads.
const EVP_MD* algorithm() {
    static const EVP_MD* const fetched = [] {
        const EVP_MD* md = EVP_MD_fetch(nullptr, "SHA256", nullptr);
        return md ? md : EVP_sha256();
    }();
    return fetched;
}

[[noreturn]] void fail(const char* what) {
    throw std::runtime_error(std::string("SHA-256: ") + what + " failed");
}

} // namespace

Sha256::Sha256()
    : m_context(EVP_MD_CTX_new()) {
    if (!m_context)
        throw std::bad_alloc();
    if (EVP_DigestInit_ex(m_context, algorithm(), nullptr) != 1) {
        EVP_MD_CTX_free(m_context);
        fail("initialisation");
    }
}

Sha256::Sha256(const Sha256& other)
    : m_context(EVP_MD_CTX_new()) {
    if (!m_context)
        throw std::bad_alloc();
    if (EVP_MD_CTX_copy_ex(m_context, other.m_context) != 1) {
        EVP_MD_CTX_free(m_context);
        fail("copy");
    }
}

Sha256& Sha256::operator=(const Sha256& other) {
    if (this == &other)
        return *this;
    if (!m_context && !(m_context = EVP_MD_CTX_new()))
        throw std::bad_alloc();
    if (EVP_MD_CTX_copy_ex(m_context, other.m_context) != 1)
        fail("copy");
    return *this;
}

Sha256::Sha256(Sha256&& other) noexcept
    : m_context(std::exchange(other.m_context, nullptr)) {}

Sha256& Sha256::operator=(Sha256&& other) noexcept {
    std::swap(m_context, other.m_context);
    return *this;
}

Sha256::~Sha256() {
    EVP_MD_CTX_free(m_context);
}

void Sha256::update(const void* data, std::size_t length) {
    if (length > 0 && EVP_DigestUpdate(m_context, data, length) != 1)
        fail("update");
}

Sha256::Digest Sha256::finish() {
    Digest digest{};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(m_context, digest.data(), &length) != 1 || length != digest.size())
        fail("finish");
    return digest;
}

Sha256::Digest Sha256::of(const void* data, std::size_t length) {
    Sha256 sha;
    sha.update(data, length);
    return sha.finish();
}

std::string Sha256::hex(const Digest& digest) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text(digest.size() * 2, '0');
    for (std::size_t i = 0; i < digest.size(); ++i) {
        text[2 * i] = kDigits[digest[i] >> 4];
        text[2 * i + 1] = kDigits[digest[i] & 0x0f];
    }
    return text;
}

} // namespace ambertrove
