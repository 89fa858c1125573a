#include "controller/SystemActivity.hpp"

#include <iterator>

namespace ambertrove {

SystemActivity::SystemActivity(QObject* parent)
    : QObject(parent) {}

void SystemActivity::record(MonitorSample reading) {
    m_sample = reading;
    m_history.push_back(std::move(reading));
    if (m_history.size() > kHistoryLimit)
        m_history.erase(m_history.begin(),
                        m_history.begin() + std::ptrdiff_t(m_history.size() - kHistoryLimit));
    emit changed();
}

} // namespace ambertrove
