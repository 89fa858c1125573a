#pragma once

#include <stdexcept>
#include <string>

namespace ambertrove {

// The one error type that reaches the user: what() is the complete sentence shown to them.
class AmbertroveError : public std::runtime_error {
public:
    explicit AmbertroveError(const std::string& sentence)
        : std::runtime_error(sentence) {}
    [[nodiscard]] std::string message() const { return what(); }
};

// A stop the user asked for. Distinct from every failure so that callers can report it in their own words.
class CancellationError : public std::exception {
public:
    [[nodiscard]] const char* what() const noexcept override { return "The operation was cancelled."; }
};

// A stored record (JSON) that is missing a key, has a value of the wrong type or is not JSON at all.
// what() is the sentence the user sees; detail() says where, for logs and tests.
class DecodingError : public std::runtime_error {
public:
    explicit DecodingError(std::string detail)
        : std::runtime_error("The data couldn’t be read because it isn’t in the correct format.")
        , m_detail(std::move(detail)) {}
    [[nodiscard]] const std::string& detail() const noexcept { return m_detail; }

private:
    std::string m_detail;
};

// A value that cannot be stored so that it reads back as itself (a date that is not finite, a path holding
// NUL): nothing is written. what() is the sentence the user sees; detail() says which value.
class EncodingError : public std::runtime_error {
public:
    explicit EncodingError(std::string detail)
        : std::runtime_error("The data couldn’t be written because it isn’t in the correct format.")
        , m_detail(std::move(detail)) {}
    [[nodiscard]] const std::string& detail() const noexcept { return m_detail; }

private:
    std::string m_detail;
};

// Throws std::system_error for errno, or for `fallback` when errno holds no valid code.
[[noreturn]] void throwSystemError(int error, int fallback);

} // namespace ambertrove
