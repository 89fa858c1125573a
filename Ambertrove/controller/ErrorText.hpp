#pragma once

#include <QString>

#include <exception>

namespace ambertrove {

// The sentence shown for an error: the core's own sentence, or the system's description of a failed call
// ("Permission denied."), ending in a full stop.
[[nodiscard]] QString errorDescription(const std::exception& error);

} // namespace ambertrove
