#include "scan/CancellationFlag.hpp"

#include "base/AmbertroveError.hpp"

namespace ambertrove {

void CancellationFlag::check() const {
    if (isCancelled())
        throw CancellationError();
}

} // namespace ambertrove
