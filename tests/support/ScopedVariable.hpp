#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

namespace ambertrove::test {

// Sets an environment variable for the length of a scope and puts the former value back (or removes the
// variable when there was none). `changed`, when given, runs after each of the two changes: ::tzset for TZ.
class ScopedVariable {
public:
    ScopedVariable(std::string name, const std::string& value, void (*changed)() = nullptr)
        : m_name(std::move(name))
        , m_changed(changed) {
        if (const char* former = std::getenv(m_name.c_str()))
            m_former = former;
        ::setenv(m_name.c_str(), value.c_str(), 1);
        if (m_changed)
            m_changed();
    }
    ~ScopedVariable() {
        if (m_former)
            ::setenv(m_name.c_str(), m_former->c_str(), 1);
        else
            ::unsetenv(m_name.c_str());
        if (m_changed)
            m_changed();
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::string m_name;
    void (*m_changed)();
    std::optional<std::string> m_former;
};

} // namespace ambertrove::test
