#include "controller/StateWriter.hpp"

#include <QtGlobal>

#include <exception>

namespace ambertrove {

StateWriter::StateWriter(JobRunner& runner)
    : m_runner(runner) {}

StateWriter::~StateWriter() {
    finish();
}

void StateWriter::add(Task task) {
    enqueue(std::move(task), false);
}

void StateWriter::save(Task task) {
    enqueue(std::move(task), true);
}

void StateWriter::enqueue(Task task, bool isSave) {
    std::unique_lock lock(m_lock);
    if (m_closing) {
        // Quitting: nothing is left behind, not even what comes last.
        lock.unlock();
        run(task);
        return;
    }
    if (isSave && !m_waiting.empty() && m_waiting.back().isSave)
        m_waiting.back().task = std::move(task);
    else
        m_waiting.push_back(Waiting{std::move(task), isSave});
    if (!m_thread.joinable())
        m_thread = std::thread([this] { work(); });
    lock.unlock();
    m_changed.notify_all();
}

void StateWriter::run(const Task& task) {
    // A task reports its own failures through what it applies; one that throws anyway loses only that.
    try {
        m_runner.post(task());
    } catch (const std::exception& error) {
        qCritical("Saving the state failed: %s", error.what());
    } catch (...) {
        qCritical("Saving the state failed.");
    }
}

void StateWriter::work() {
    std::unique_lock lock(m_lock);
    for (;;) {
        m_changed.wait(lock, [&] { return !m_waiting.empty() || m_closing; });
        if (m_waiting.empty())
            return;
        const Task task = std::move(m_waiting.front().task);
        m_waiting.pop_front();
        m_busy = true;
        lock.unlock();
        run(task);
        lock.lock();
        m_busy = false;
        m_changed.notify_all();
    }
}

void StateWriter::waitUntilIdle() {
    std::unique_lock lock(m_lock);
    m_changed.wait(lock, [&] { return m_waiting.empty() && !m_busy; });
}

void StateWriter::finish() {
    {
        const std::lock_guard lock(m_lock);
        if (m_closing)
            return;
        m_closing = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace ambertrove
