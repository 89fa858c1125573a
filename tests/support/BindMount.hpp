#pragma once

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <unistd.h>

namespace ambertrove::test {

// A bind mount of `source` at `target`, made in a mount namespace of this process's own (so nothing
// outside the test sees it) and undone when it goes. Only root can make one; `made()` says whether it
// was made and `why()` why not.
class BindMount {
public:
    BindMount(const std::string& source, const std::string& target)
        : m_target(target) {
        if (::geteuid() != 0) {
            m_why = "a bind mount needs root";
            return;
        }
        if (!privateNamespace()) {
            m_why = std::string("no private mount namespace: ") + std::strerror(errno);
            return;
        }
        if (::mount(source.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) != 0) {
            m_why = std::string("mount --bind failed: ") + std::strerror(errno);
            return;
        }
        m_made = true;
    }
    ~BindMount() {
        if (m_made)
            ::umount2(m_target.c_str(), MNT_DETACH);
    }
    BindMount(const BindMount&) = delete;
    BindMount& operator=(const BindMount&) = delete;

    [[nodiscard]] bool made() const { return m_made; }
    [[nodiscard]] const std::string& why() const { return m_why; }

private:
    static bool privateNamespace() {
        static const bool done =
            ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        return done;
    }

    std::string m_target;
    std::string m_why;
    bool m_made = false;
};

} // namespace ambertrove::test
