#include "BenchWindow.hpp"

#include "BenchCommand.hpp"

#include "AppScreens.hpp"
#include "storage/MemoryPreferenceStore.hpp"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace ambertrove::bench {

namespace {

int g_argc = 1;
char g_name[] = "ambertrove-bench";
char* g_argv[] = {g_name, nullptr};

// The offscreen platform unless the caller chose one.
int& offscreenArguments() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return g_argc;
}

// CPU time of the calling thread, in milliseconds.
double threadCpuMs() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// How long the calling thread has waited on a run queue, ready to run, in milliseconds (0 where the
// system does not tell).
double threadQueuedMs() {
    std::FILE* file = std::fopen("/proc/thread-self/schedstat", "r");
    if (!file)
        return 0;
    unsigned long long running = 0, waiting = 0;
    const int read = std::fscanf(file, "%llu %llu", &running, &waiting);
    std::fclose(file);
    return read == 2 ? double(waiting) / 1e6 : 0;
}

} // namespace

BenchWindow::BenchWindow(const char* name, bool monitor)
    : m_application(offscreenArguments(), g_argv)
    , m_state(std::filesystem::temp_directory_path() /
              ("ambertrove-bench-" + std::string(name) + "-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(m_state);
    AppEnvironment environment(SnapshotStore::inStateFolder(m_state.string()), m_state.string(), monitor,
                               std::make_shared<MemoryPreferenceStore>());
    m_model = std::make_unique<AppModel>(std::move(environment));
    m_window =
        std::make_unique<MainWindow>(*m_model, appScreens(), QStringList{QStringLiteral("ambertrove")});
    m_window->show();
}

BenchWindow::~BenchWindow() {
    m_window.reset();
    m_model.reset();
    std::error_code ignored;
    std::filesystem::remove_all(m_state, ignored);
}

bool BenchWindow::scan(const std::string& path, const char* command) {
    m_model->startScan(std::filesystem::absolute(path).string(), false);
    waitFor([&] { return !m_model->scanning() && (m_model->scan() || m_model->error()); });
    if (m_model->scan())
        return true;
    std::fprintf(stderr, "ambertrove-bench %s: the scan failed: %s\n", command,
                 m_model->error() ? m_model->error()->toStdString().c_str() : "no result");
    return false;
}

bool waitFor(const std::function<bool()>& done, double giveUpSeconds) {
    const double start = nowSeconds();
    while (!done()) {
        if (secondsSince(start) > giveUpSeconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

StallMeter::StallMeter() {
    m_clock.start();
    m_ticker.setTimerType(Qt::PreciseTimer);
    m_ticker.setInterval(kTickMilliseconds);
    QObject::connect(&m_ticker, &QTimer::timeout, [this] {
        const qint64 now = m_clock.nsecsElapsed();
        const double cpu = threadCpuMs();
        m_lastTickCpuMs = cpu - m_lastCpuMs;
        m_lastCpuMs = cpu;
        const double queued = threadQueuedMs();
        m_lastTickQueuedMs = queued - m_lastQueuedMs;
        m_lastQueuedMs = queued;
        const double stall = double(now - m_lastTick) / 1e6 - kTickMilliseconds;
        if (stall > 15 && onLongStall)
            onLongStall(stall);
        m_maxStallMs = std::max(m_maxStallMs, stall);
        m_lastTick = now;
    });
}

void StallMeter::start() {
    m_maxStallMs = 0;
    m_lastTick = m_clock.nsecsElapsed();
    m_lastCpuMs = threadCpuMs();
    m_lastQueuedMs = threadQueuedMs();
    m_ticker.start();
}

void StallMeter::stop() {
    m_ticker.stop();
}

} // namespace ambertrove::bench
