#include "platform/ProcessRun.hpp"

#include "platform/FileDescriptor.hpp"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

extern char** environ;

namespace ambertrove {

namespace {

using Clock = std::chrono::steady_clock;

struct Pipe {
    FileDescriptor readEnd, writeEnd;
};

void makePipe(Pipe& pipe) {
    int fds[2];
    // Close-on-exec so that commands launched meanwhile from other threads never inherit our ends.
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe");
    pipe.readEnd = FileDescriptor(fds[0]);
    pipe.writeEnd = FileDescriptor(fds[1]);
}

Clock::time_point deadlineAfter(double seconds) {
    if (!(seconds > 0)) // also NaN
        seconds = 0;
    seconds = std::min(seconds, 1e9);
    return Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

// Milliseconds left until `deadline` for poll, rounded up so that a wake-up is never early.
int millisecondsUntil(Clock::time_point deadline) {
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero())
        return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(std::min<long long>(ms, INT_MAX));
}

int openPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

// Whether the child has ended, without reaping it, so that its process group id stays reserved until we are
// done signalling the group.
bool hasExited(pid_t pid) {
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return errno != EINTR; // ECHILD: already reaped elsewhere, nothing left to wait for
    return info.si_pid == pid;
}

// Reads once from a ready pipe; returns false once the writer side is closed. One read per wake-up, so that a
// command that writes without pause cannot keep us from the deadline.
bool readSome(int fd, std::string& into) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            into.append(buffer, static_cast<std::size_t>(n));
            return true;
        }
        if (n == 0)
            return false;
        if (errno != EINTR)
            return errno == EAGAIN || errno == EWOULDBLOCK;
    }
}

pid_t spawn(const std::string& executable, const std::vector<std::string>& arguments, int outFd, int errFd) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
    // Its own group, so that a time-out reaches whatever the command started too; default signal handling and
    // an empty mask, so that neither an ignored SIGTERM/SIGPIPE nor a blocked signal of ours is inherited.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);

    std::vector<char*> argv;
    argv.reserve(arguments.size() + 2);
    argv.push_back(const_cast<char*>(executable.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, executable.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (rc != 0)
        throw std::system_error(rc, std::generic_category(), executable);
    return pid;
}

// Waits until the child has ended or `deadline` passes; returns whether it has ended.
bool waitForExit(pid_t pid, int pidFd, Clock::time_point deadline) {
    for (;;) {
        if (hasExited(pid))
            return true;
        const int wait = millisecondsUntil(deadline);
        if (wait == 0)
            return false;
        if (pidFd >= 0) {
            pollfd entry{pidFd, POLLIN, 0};
            ::poll(&entry, 1, wait);
        } else {
            ::usleep(static_cast<useconds_t>(std::min(wait, 20)) * 1000);
        }
    }
}

int reap(pid_t pid) {
    int status = 0;
    for (;;) {
        if (::waitpid(pid, &status, 0) == pid)
            return status;
        if (errno != EINTR)
            return -1; // reaped elsewhere: the outcome is unknown, which is never a success
    }
}

} // namespace

bool ProcessRun::succeeded() const {
    return !timedOut && !cancelled && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

ProcessRun runProcess(const std::string& executable, const std::vector<std::string>& arguments,
                      double timeout, double grace, const TaskCancellation& cancellation) {
    Pipe out, err;
    makePipe(out);
    makePipe(err);
    const pid_t pid = spawn(executable, arguments, out.writeEnd.get(), err.writeEnd.get());
    const Clock::time_point deadline = deadlineAfter(timeout);
    out.writeEnd.reset();
    err.writeEnd.reset();
    ::fcntl(out.readEnd.get(), F_SETFL, O_NONBLOCK);
    ::fcntl(err.readEnd.get(), F_SETFL, O_NONBLOCK);
    const FileDescriptor pidFd(openPidFd(pid));

    ProcessRun run;
    bool exited = false;
    for (;;) {
        if (!exited)
            exited = hasExited(pid);
        if (exited && !out.readEnd.valid() && !err.readEnd.valid())
            break;
        if (cancellation.isCancelled()) {
            run.cancelled = true;
            break;
        }
        int wait = millisecondsUntil(deadline);
        if (wait == 0) {
            run.timedOut = true;
            break;
        }
        // Waking at intervals lets a cancellation end the wait; without a process descriptor it is also how
        // the exit is noticed.
        wait = std::min(wait, kCancellationPollMilliseconds);
        pollfd entries[3];
        nfds_t count = 0;
        for (const int fd : {out.readEnd.get(), err.readEnd.get(), exited ? -1 : pidFd.get()})
            if (fd >= 0)
                entries[count++] = pollfd{fd, POLLIN, 0};
        if (::poll(entries, count, wait) < 0 && errno != EINTR) {
            run.timedOut = true; // cannot wait any more: end it as if its time were up
            break;
        }
        for (nfds_t i = 0; i < count; ++i) {
            if (entries[i].revents == 0)
                continue;
            if (entries[i].fd == out.readEnd.get() && !readSome(entries[i].fd, run.output))
                out.readEnd.reset();
            else if (entries[i].fd == err.readEnd.get() && !readSome(entries[i].fd, run.errorOutput))
                err.readEnd.reset();
        }
    }

    if (run.timedOut || run.cancelled) {
        // Stop reading: a descendant that still holds a pipe gets EPIPE instead of holding us.
        out.readEnd.reset();
        err.readEnd.reset();
        // A cancelled command gets no grace: its caller is quitting or no longer wants the answer.
        if (run.timedOut) {
            ::killpg(pid, SIGTERM);
            waitForExit(pid, pidFd.get(), deadlineAfter(grace));
        }
        // Whatever is left of the group, the command itself if it ignored SIGTERM, goes now. The child is not
        // reaped yet, so its id cannot have been given to another group.
        ::killpg(pid, SIGKILL);
    }
    run.status = reap(pid);
    return run;
}

} // namespace ambertrove
