#pragma once

#include <string>
#include <vector>

namespace ambertrove {

// What one run of an external command left behind: everything it wrote to its standard output and error,
// and how it ended.
struct ProcessRun {
    std::string output;
    std::string errorOutput;
    int status = 0;        // the raw wait status
    bool timedOut = false; // the deadline passed before the command had ended and closed its output

    // True only for a command that ended on its own in time with exit status 0.
    [[nodiscard]] bool succeeded() const;
};

// Runs `executable` (a path, not searched for) with `arguments` in its own process group, the environment,
// working folder and standard input inherited, and reads its standard output and error together until both
// are closed and it has exited. When `timeout` seconds have passed since the launch, the group is sent
// SIGTERM, then SIGKILL after `grace` seconds, reading stops and the command is reaped, so neither a command
// that ignores SIGTERM nor a descendant that keeps a pipe open can hold the caller.
// Throws std::system_error (with the path as context) when the command cannot be launched.
ProcessRun runProcess(const std::string& executable, const std::vector<std::string>& arguments,
                      double timeout, double grace = 0.5);

} // namespace ambertrove
