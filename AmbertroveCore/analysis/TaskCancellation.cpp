#include "analysis/TaskCancellation.hpp"

#include "model/AmbertroveError.hpp"

namespace ambertrove {

void TaskCancellation::check() const {
    if (m_token.stop_requested())
        throw CancellationError();
}

} // namespace ambertrove
