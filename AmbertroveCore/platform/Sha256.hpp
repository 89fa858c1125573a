#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

struct evp_md_ctx_st;

namespace ambertrove {

// An SHA-256 computation (OpenSSL's libcrypto, which uses the processor's SHA instructions where there are
// some). Copyable, so that a computation over a shared prefix can be continued in two directions.
class Sha256 {
public:
    using Digest = std::array<std::uint8_t, 32>;

    Sha256();
    Sha256(const Sha256& other);
    Sha256& operator=(const Sha256& other);
    Sha256(Sha256&& other) noexcept;
    Sha256& operator=(Sha256&& other) noexcept;
    ~Sha256();

    void update(const void* data, std::size_t length);
    // Ends the computation; the object must not be updated afterwards.
    [[nodiscard]] Digest finish();

    [[nodiscard]] static Digest of(const void* data, std::size_t length);
    // 64 lower-case hexadecimal digits.
    [[nodiscard]] static std::string hex(const Digest& digest);

private:
    evp_md_ctx_st* m_context = nullptr;
};

} // namespace ambertrove
