#pragma once

#include "controller/AppModel.hpp"
#include "shell/MainWindow.hpp"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>

namespace ambertrove::bench {

// The window the benchmarks drive: an offscreen application, the real controller with its state files in
// a temporary folder of its own (removed at the end) and settings in memory, and the main window with
// every screen, shown.
class BenchWindow {
public:
    // `name` names the state folder; `monitor` starts the controller's monitor.
    BenchWindow(const char* name, bool monitor);
    ~BenchWindow();
    BenchWindow(const BenchWindow&) = delete;
    BenchWindow& operator=(const BenchWindow&) = delete;

    [[nodiscard]] AppModel& model() const { return *m_model; }
    [[nodiscard]] MainWindow& window() const { return *m_window; }

    // Scans `path` and waits for its end; false (with the reason on stderr, under `command`'s name) when
    // no scan came of it.
    bool scan(const std::string& path, const char* command);

private:
    QApplication m_application;
    std::filesystem::path m_state;
    std::unique_ptr<AppModel> m_model;
    std::unique_ptr<MainWindow> m_window;
};

// Handles events until `done` holds; false when it did not within `giveUpSeconds`.
bool waitFor(const std::function<bool()>& done, double giveUpSeconds = 600);

// How late a 5 ms timer on the GUI thread fires while it runs: the longest time the window could not
// answer.
class StallMeter {
public:
    static constexpr int kTickMilliseconds = 5;

    StallMeter();
    // Starts afresh from now.
    void start();
    void stop();
    [[nodiscard]] double maxStallMs() const { return m_maxStallMs; }
    // Called with each stall longer than 15 ms, for tracing.
    std::function<void(double stallMs)> onLongStall;
    // How much of the latest tick's wait the GUI thread spent working (CPU time): a stall with little of
    // it was the thread waiting for a processor, not the window working.
    [[nodiscard]] double lastTickCpuMs() const { return m_lastTickCpuMs; }
    // How much of it the GUI thread was ready to run but waited for a processor.
    [[nodiscard]] double lastTickQueuedMs() const { return m_lastTickQueuedMs; }

private:
    QElapsedTimer m_clock;
    qint64 m_lastTick = 0;
    double m_lastCpuMs = 0;
    double m_lastTickCpuMs = 0;
    double m_lastQueuedMs = 0;
    double m_lastTickQueuedMs = 0;
    double m_maxStallMs = 0;
    QTimer m_ticker;
};

} // namespace ambertrove::bench
