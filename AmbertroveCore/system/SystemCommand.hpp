#pragma once

#include "base/TaskCancellation.hpp"

#include <string>
#include <vector>

namespace ambertrove {

// Runs one read-only external command with captured output and a time-out.
class SystemCommand {
public:
    SystemCommand() = delete;

    // The command's standard output, or the empty text when that is not valid UTF-8.
    // Throws std::system_error when the command cannot be launched, and AmbertroveError carrying the
    // command's own error text (trimmed; "Command unavailable" when it is not UTF-8) when it ends with a
    // non-zero status, is ended by a signal, or runs past `timeout` seconds (it is then terminated).
    // Throws CancellationError once `cancellation` is cancelled, before the launch or while the command
    // runs (it is then killed without waiting for it to finish).
    static std::string run(const std::string& path, const std::vector<std::string>& arguments, double timeout,
                           const TaskCancellation& cancellation = {});
};

} // namespace ambertrove
