#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ambertrove {

struct Uuid {
    std::array<std::uint8_t, 16> bytes{};

    static Uuid random();
    // Accepts the 8-4-4-4-12 form in either case; nothing for any other text.
    static std::optional<Uuid> parse(std::string_view text);
    // Upper-case 8-4-4-4-12 text.
    [[nodiscard]] std::string text() const;

    friend bool operator==(const Uuid&, const Uuid&) = default;
    friend auto operator<=>(const Uuid&, const Uuid&) = default;
};

} // namespace ambertrove
