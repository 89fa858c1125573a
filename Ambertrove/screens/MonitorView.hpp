#pragma once

#include "system/MonitorSample.hpp"

#include <QWidget>

#include <vector>

class QLabel;

namespace ambertrove {

class AppModel;
class DisclosureGroup;
class MemoryBar;
class MetricHeader;
class ProcessTable;
class SectionCaption;
class SegmentedChoices;
class SmallMetric;
class Sparkline;
class VolumeList;

// The Monitor section: CPU, memory, network and storage cards with their last two minutes as sparklines,
// and the busiest processes by CPU or memory (the screen's own choice, CPU when it is built). It reads
// the controller's readings and never samples the system; each reading updates it in place.
class MonitorView final : public QWidget {
    Q_OBJECT

public:
    explicit MonitorView(AppModel& model, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(MonitorView)

    // "1d 1h 1m": whole minutes since start-up as days, hours and minutes; a reading that is not a number,
    // negative or infinite shows "0d 0h 0m".
    [[nodiscard]] static QString uptime(double seconds);
    // The scale both network charts share: the largest rate of the history, at least 1024 bytes a second.
    [[nodiscard]] static double networkMax(const std::vector<MonitorSample>& history);
    // The CPU card's help: the load averages and the uptime.
    [[nodiscard]] static QString cpuHelp(const MonitorSample& sample);

    [[nodiscard]] bool sortByMemory() const { return m_sortByMemory; }
    void setSortByMemory(bool on);

    [[nodiscard]] MetricHeader* cpuHeader() const { return m_cpuHeader; }
    [[nodiscard]] MetricHeader* memoryHeader() const { return m_memoryHeader; }
    [[nodiscard]] MetricHeader* networkHeader() const { return m_networkHeader; }
    [[nodiscard]] MetricHeader* storageHeader() const { return m_storageHeader; }
    [[nodiscard]] Sparkline* cpuChart() const { return m_cpuChart; }
    [[nodiscard]] Sparkline* memoryChart() const { return m_memoryChart; }
    [[nodiscard]] Sparkline* downloadChart() const { return m_downloadChart; }
    [[nodiscard]] Sparkline* uploadChart() const { return m_uploadChart; }
    [[nodiscard]] MemoryBar* memoryBar() const { return m_memoryBar; }
    [[nodiscard]] VolumeList* volumes() const { return m_volumes; }
    [[nodiscard]] ProcessTable* processes() const { return m_processes; }
    [[nodiscard]] SectionCaption* processCaption() const { return m_processCaption; }
    [[nodiscard]] SegmentedChoices* sortChoices() const { return m_sort; }
    [[nodiscard]] SmallMetric* loadMetric() const { return m_load; }
    [[nodiscard]] DisclosureGroup* about() const { return m_about; }
    [[nodiscard]] QLabel* issuesLabel() const { return m_issues; }

private:
    // Shows the latest reading and the history.
    void showReading();
    void showProcesses();
    void showStorage();

    AppModel& m_model;
    bool m_sortByMemory = false;

    MetricHeader* m_cpuHeader = nullptr;
    Sparkline* m_cpuChart = nullptr;
    SmallMetric* m_user = nullptr;
    SmallMetric* m_system = nullptr;
    SmallMetric* m_load = nullptr;
    MetricHeader* m_memoryHeader = nullptr;
    Sparkline* m_memoryChart = nullptr;
    MemoryBar* m_memoryBar = nullptr;
    SmallMetric* m_wired = nullptr;
    SmallMetric* m_compressed = nullptr;
    SmallMetric* m_total = nullptr;
    MetricHeader* m_networkHeader = nullptr;
    Sparkline* m_downloadChart = nullptr;
    Sparkline* m_uploadChart = nullptr;
    SmallMetric* m_down = nullptr;
    SmallMetric* m_up = nullptr;
    SmallMetric* m_sessionIn = nullptr;
    MetricHeader* m_storageHeader = nullptr;
    VolumeList* m_volumes = nullptr;
    SectionCaption* m_processCaption = nullptr;
    SegmentedChoices* m_sort = nullptr;
    ProcessTable* m_processes = nullptr;
    DisclosureGroup* m_about = nullptr;
    QLabel* m_issues = nullptr;
};

} // namespace ambertrove
