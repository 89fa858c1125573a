#include "controller/AppTheme.hpp"

#include <atomic>

namespace ambertrove {

namespace {
// Atomic so that a chart layout reading it off the GUI thread never sees a torn value.
std::atomic<AppTheme> g_currentTheme{AppTheme::paper};
} // namespace

AppTheme currentTheme() {
    return g_currentTheme.load(std::memory_order_relaxed);
}

void setCurrentTheme(AppTheme theme) {
    g_currentTheme.store(theme, std::memory_order_relaxed);
}

} // namespace ambertrove
