#pragma once

// The task cancellation lives in base/, below the codec, the process runner and the stores that poll it
// too; the analyses keep including it from here.
#include "base/TaskCancellation.hpp"
