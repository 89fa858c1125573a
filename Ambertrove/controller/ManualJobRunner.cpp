#include "controller/ManualJobRunner.hpp"

#include <stdexcept>

namespace ambertrove {

ManualJobRunner::ManualJobRunner(QObject* parent)
    : JobRunner(parent) {}

void ManualJobRunner::start(JobKind kind, Job job) {
    m_jobs.push_back(Waiting{kind, std::move(job)});
    ++m_started;
    emit jobStarted();
}

void ManualJobRunner::run(std::size_t index) {
    runWithoutDelivering(index);
    deliver();
}

void ManualJobRunner::runWithoutDelivering(std::size_t index) {
    if (index >= m_jobs.size())
        throw std::out_of_range("No job waits at this position.");
    Job job = std::move(m_jobs[index].job);
    m_jobs.erase(m_jobs.begin() + std::ptrdiff_t(index));
    post(job());
}

void ManualJobRunner::post(Apply apply) {
    if (!apply)
        return;
    const std::lock_guard lock(m_postedLock);
    m_posted.push_back(std::move(apply));
}

std::size_t ManualJobRunner::undelivered() const {
    const std::lock_guard lock(m_postedLock);
    return m_posted.size();
}

void ManualJobRunner::deliver() {
    for (;;) {
        Apply apply;
        {
            const std::lock_guard lock(m_postedLock);
            if (m_posted.empty())
                return;
            apply = std::move(m_posted.front());
            m_posted.pop_front();
        }
        apply();
    }
}

void ManualJobRunner::runAll() {
    while (!m_jobs.empty())
        run(0);
}

} // namespace ambertrove
