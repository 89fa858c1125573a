#pragma once

#include "base/TaskCancellation.hpp"

#include <string>
#include <vector>

namespace ambertrove {

// What one run of an external command left behind: everything it wrote to its standard output and error,
// and how it ended.
struct ProcessRun {
    std::string output;
    std::string errorOutput;
    int status = 0;         // the raw wait status
    bool timedOut = false;  // the deadline passed before the command had ended and closed its output
    bool cancelled = false; // the caller's task was cancelled first; the command was killed

    // True only for a command that ended on its own in time, not cancelled, with exit status 0.
    [[nodiscard]] bool succeeded() const;
};

// How long a command that ran out of time has between SIGTERM and SIGKILL.
inline constexpr double kTerminationGrace = 0.5;
// How often a running command's wait looks at its task's cancellation.
inline constexpr int kCancellationPollMilliseconds = 20;

// Runs `executable` (a path, not searched for) with `arguments` in its own process group, the environment,
// working folder and standard input inherited, and reads its standard output and error together until both
// are closed and it has exited. When `timeout` seconds have passed since the launch, the group is sent
// SIGTERM, then SIGKILL after `grace` seconds, reading stops and the command is reaped, so neither a command
// that ignores SIGTERM nor a descendant that keeps a pipe open can hold the caller.
// The wait looks at `cancellation` every kCancellationPollMilliseconds: once it is cancelled the group is
// killed at once (the commands run are read-only, so nothing is left half done), reading stops, the command
// is reaped and the run comes back marked cancelled.
// Throws std::system_error (with the path as context) when the command cannot be launched.
ProcessRun runProcess(const std::string& executable, const std::vector<std::string>& arguments,
                      double timeout, double grace = kTerminationGrace,
                      const TaskCancellation& cancellation = {});

} // namespace ambertrove
