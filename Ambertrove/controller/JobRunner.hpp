#pragma once

#include <QObject>

#include <functional>

namespace ambertrove {

// The kinds of background work, which decide where a job runs.
enum class JobKind {
    // Scans, staging, cleanup runs, duplicate searches, inventories, saved-scan jobs, exports: a thread
    // of their own each.
    longJob,
    // Work nobody waits for, such as a monitor reading: a thread of its own at a lowered priority.
    utility,
    // A view's query: a small pool of its own, so that a running scan never starves a view.
    query,
};

// Runs the controller's background work and hands its results back to the GUI thread. A job runs on a
// worker and returns what to apply; the runner applies it on the GUI thread, queued, after the job ends.
// Progress reports go the same way through post(). Whether an applied result is still wanted is the
// controller's test (its generations), never the runner's.
class JobRunner : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(JobRunner)

public:
    // Runs on the GUI thread.
    using Apply = std::function<void()>;
    // Runs on a worker; returns what to apply (may be empty).
    using Job = std::function<Apply()>;

    ~JobRunner() override = default;

    virtual void start(JobKind kind, Job job) = 0;

    // Queues `apply` to run on the GUI thread. Callable from any thread, also from a job while it runs.
    virtual void post(Apply apply);

protected:
    explicit JobRunner(QObject* parent = nullptr)
        : QObject(parent) {}
};

} // namespace ambertrove
