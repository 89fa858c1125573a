#pragma once

#include "controller/AppModel.hpp"

#include <exception>
#include <functional>
#include <optional>
#include <stop_token>
#include <utility>

namespace ambertrove {

// One view's background listing, named by a key (an ExplorerQueryKey or a larger key around one). A new
// key cancels the request still running; a result is stored with the key it was computed for, and a
// result of a cancelled or superseded request is never stored. Lives on the GUI thread, inside the view
// that owns it; destroying it cancels its request.
template <typename Key, typename T> class KeyedQuery {
public:
    using Work = std::function<T(const TaskCancellation&)>;

    // `changed` runs on the GUI thread whenever running(), the result or the error changes.
    explicit KeyedQuery(AppModel& model, std::function<void()> changed = {})
        : m_model(&model)
        , m_changed(std::move(changed)) {}
    KeyedQuery(const KeyedQuery&) = delete;
    KeyedQuery& operator=(const KeyedQuery&) = delete;
    ~KeyedQuery() { m_stop.request_stop(); }

    // Runs `work` for `key`, unless `key` is the key of the request running or of the last result or
    // failure; returns whether a request started. A stored result of `key` becomes current again at once.
    bool request(const Key& key, Work work) {
        if (m_requested && *m_requested == key)
            return false;
        cancelRunning();
        m_requested = key;
        m_error = nullptr;
        if (m_key && *m_key == key) {
            notify();
            return false;
        }
        m_running = true;
        m_stop = std::stop_source();
        m_model->template backgroundQuery<T>(
            m_stop.get_token(), std::move(work),
            [this, key](T value) {
                m_running = false;
                m_key = key;
                m_value = std::move(value);
                notify();
            },
            [this](std::exception_ptr error) {
                m_running = false;
                m_error = error;
                notify();
            });
        notify();
        return true;
    }

    // Stops the running request; the last result stays.
    void cancel() {
        if (!m_running)
            return;
        cancelRunning();
        m_requested = m_key;
        notify();
    }
    // Forgets which key was asked for last, so that the next request runs even with the same key.
    void invalidate() {
        cancel();
        m_requested.reset();
        m_key.reset();
        m_value.reset();
        m_error = nullptr;
    }

    [[nodiscard]] bool running() const { return m_running; }
    // The key of the last result, and the result.
    [[nodiscard]] const std::optional<Key>& key() const { return m_key; }
    [[nodiscard]] const std::optional<T>& value() const { return m_value; }
    // Whether the last result was computed for `key`.
    [[nodiscard]] bool isCurrent(const Key& key) const { return m_key && *m_key == key; }
    // What the last request threw, or nothing; views show their last result meanwhile.
    [[nodiscard]] std::exception_ptr error() const { return m_error; }

private:
    void cancelRunning() {
        m_stop.request_stop();
        m_running = false;
    }
    void notify() {
        if (m_changed)
            m_changed();
    }

    AppModel* m_model;
    std::function<void()> m_changed;
    std::stop_source m_stop;
    std::optional<Key> m_requested;
    std::optional<Key> m_key;
    std::optional<T> m_value;
    std::exception_ptr m_error;
    bool m_running = false;
};

} // namespace ambertrove
