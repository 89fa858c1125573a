#include "controller/JobRunner.hpp"

namespace ambertrove {

void JobRunner::post(Apply apply) {
    if (!apply)
        return;
    // Queued on this object: a runner outlives its workers, so the call is never posted to a dead object;
    // whatever is still queued when the runner goes is dropped with it.
    QMetaObject::invokeMethod(this, std::move(apply), Qt::QueuedConnection);
}

} // namespace ambertrove
