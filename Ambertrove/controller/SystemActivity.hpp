#pragma once

#include "system/MonitorSample.hpp"

#include <QObject>

#include <cstddef>
#include <vector>

namespace ambertrove {

// The monitor's readings, published apart from AppModel: a reading every two seconds redraws only the
// views that show it (the sidebar's disk meter and the Monitor section).
class SystemActivity final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SystemActivity)

public:
    static constexpr std::size_t kHistoryLimit = 60;

    explicit SystemActivity(QObject* parent = nullptr);

    // The latest reading; an empty sample before the first.
    [[nodiscard]] const MonitorSample& sample() const { return m_sample; }
    // The latest readings, oldest first, at most kHistoryLimit.
    [[nodiscard]] const std::vector<MonitorSample>& history() const { return m_history; }

    // Makes the reading the latest and appends it to the history, dropping the oldest beyond the limit.
    void record(MonitorSample reading);

signals:
    // The sample and the history changed (they always change together).
    void changed();

private:
    MonitorSample m_sample;
    std::vector<MonitorSample> m_history;
};

} // namespace ambertrove
