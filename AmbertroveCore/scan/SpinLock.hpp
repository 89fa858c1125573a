#pragma once

#include <atomic>
#include <sched.h>

namespace ambertrove {

// A lock that many threads take for a moment each: a waiting thread spins a little, then yields the
// processor; it never sleeps in the kernel (waking a sleeping waiter costs more than the wait).
class SpinLock {
public:
    void lock() noexcept {
        for (unsigned spins = 0; m_held.exchange(true, std::memory_order_acquire); ++spins)
            while (m_held.load(std::memory_order_relaxed)) {
                if (++spins < 128)
                    relax();
                else
                    ::sched_yield();
            }
    }
    [[nodiscard]] bool try_lock() noexcept { return !m_held.exchange(true, std::memory_order_acquire); }
    void unlock() noexcept { m_held.store(false, std::memory_order_release); }

private:
    static void relax() noexcept {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#elif defined(__aarch64__)
        asm volatile("yield");
#endif
    }
    std::atomic<bool> m_held{false};
};

} // namespace ambertrove
