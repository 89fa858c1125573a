#include "AppModelFixture.hpp"

#include "controller/ThreadJobRunner.hpp"

#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace ambertrove {
namespace {

using namespace std::chrono_literals;
using test::AppModelFixture;

constexpr int kWaitMs = 10'000;

// A reader whose readings are numbered (in `uptime`) and that notes on which thread it ran and whether two
// readings ever overlapped.
struct CountingSampler {
    std::atomic<int> samplers{0};
    std::atomic<int> readings{0};
    std::atomic<int> running{0};
    std::atomic<bool> overlapped{false};
    std::atomic<bool> onGuiThread{false};
    std::thread::id guiThread = std::this_thread::get_id();

    Services::SamplerFactory factory() {
        return [this] {
            ++samplers;
            return Services::SampleReader([this](const TaskCancellation&) {
                if (running.fetch_add(1) != 0)
                    overlapped = true;
                if (std::this_thread::get_id() == guiThread)
                    onGuiThread = true;
                MonitorSample sample;
                sample.uptime = double(++readings);
                running.fetch_sub(1);
                return sample;
            });
        };
    }
};

class MonitorTest : public AppModelFixture {
protected:
    MonitorTest() {
        services.sampler = sampler.factory();
        timing.monitorInterval = 0ms;
    }
    CountingSampler sampler;
};

TEST_F(MonitorTest, StartingTwiceMakesOneLoopWithOneSampler) {
    AppModel& m = make(true);
    m.startMonitor();
    EXPECT_EQ(sampler.samplers, 1);
    EXPECT_EQ(runner->pending(), 1u);
    EXPECT_EQ(runner->kind(0), JobKind::utility);
}

TEST_F(MonitorTest, TheHistoryKeepsTheLatestSixtyReadingsAndTheSampleIsTheLast) {
    AppModel& m = make(true);
    QSignalSpy started(runner, &ManualJobRunner::jobStarted);
    QSignalSpy changed(&m.activity(), &SystemActivity::changed);
    for (int reading = 1; reading <= 61; ++reading) {
        if (runner->pending() == 0) {
            ASSERT_TRUE(started.wait(kWaitMs));
        }
        ASSERT_EQ(runner->pending(), 1u);
        runner->run();
        ASSERT_EQ(changed.count(), reading);
        const auto& history = m.activity().history();
        ASSERT_EQ(history.size(), std::size_t(std::min(reading, 60)));
        EXPECT_EQ(history.back().uptime, double(reading));
        EXPECT_EQ(m.activity().sample().uptime, double(reading));
        EXPECT_EQ(history.front().uptime, double(std::max(1, reading - 59)));
    }
    EXPECT_EQ(sampler.samplers, 1);
}

TEST_F(MonitorTest, TheNextReadingStartsOnlyAfterThePreviousOneIsShown) {
    AppModel& m = make(true);
    QSignalSpy started(runner, &ManualJobRunner::jobStarted);
    runner->runWithoutDelivering();
    // The reading is taken but not yet shown: nothing else may start, however long the wait.
    QSignalSpy changed(&m.activity(), &SystemActivity::changed);
    QTimer later;
    later.setSingleShot(true);
    QSignalSpy waited(&later, &QTimer::timeout);
    later.start(50ms);
    ASSERT_TRUE(waited.wait(kWaitMs));
    EXPECT_EQ(runner->pending(), 0u);
    EXPECT_EQ(runner->undelivered(), 1u);
    EXPECT_EQ(changed.count(), 0);

    runner->deliver();
    EXPECT_EQ(changed.count(), 1);
    ASSERT_TRUE(started.wait(kWaitMs));
    EXPECT_EQ(runner->pending(), 1u);
}

TEST_F(MonitorTest, ReadingsRunOnAWorkerOneAtATimeWithTheRealRunner) {
    AppEnvironment env = environment(true);
    env.runner = std::make_unique<ThreadJobRunner>();
    runner = nullptr;
    model = std::make_unique<AppModel>(std::move(env));
    SystemActivity& activity = model->activity();

    // When a reading is shown, no later reading has started yet.
    std::vector<int> startedWhenShown;
    QObject::connect(&activity, &SystemActivity::changed, &activity,
                     [&] { startedWhenShown.push_back(sampler.readings.load()); });
    QSignalSpy changed(&activity, &SystemActivity::changed);
    while (changed.count() < 70)
        ASSERT_TRUE(changed.wait(kWaitMs));

    EXPECT_EQ(activity.history().size(), 60u);
    EXPECT_EQ(activity.sample().uptime, activity.history().back().uptime);
    for (std::size_t i = 0; i < startedWhenShown.size(); ++i)
        EXPECT_EQ(startedWhenShown[i], int(i) + 1);
    EXPECT_FALSE(sampler.overlapped);
    EXPECT_FALSE(sampler.onGuiThread);
    EXPECT_EQ(sampler.samplers, 1);
    // Destroying the controller stops the loop and waits for a reading under way.
    model.reset();
}

class ToastTest : public AppModelFixture {
protected:
    ToastTest() { timing.toastDuration = 40ms; }

    // Waits until a timer started now, with the notification's duration and a margin, has fired: every
    // notification timer started before it has fired by then.
    static void waitPastToastTimers(std::chrono::milliseconds duration) {
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QSignalSpy fired(&timer, &QTimer::timeout);
        timer.start(duration + 20ms);
        ASSERT_TRUE(fired.wait(kWaitMs));
    }
};

TEST_F(ToastTest, AShownNotificationRemovesItself) {
    AppModel& m = make();
    QSignalSpy changed(&m, &AppModel::toastChanged);
    m.showToast(QStringLiteral("Cleanup cancelled"), QStringLiteral("Nothing was moved."));
    ASSERT_TRUE(m.toast());
    EXPECT_EQ(m.toast()->title, QStringLiteral("Cleanup cancelled"));
    EXPECT_EQ(m.toast()->detail, QStringLiteral("Nothing was moved."));
    EXPECT_EQ(m.toast()->action, std::nullopt);
    ASSERT_TRUE(changed.wait(kWaitMs));
    EXPECT_EQ(m.toast(), std::nullopt);
    EXPECT_EQ(changed.count(), 2);
}

TEST_F(ToastTest, AReplacedNotificationSurvivesTheOldTimer) {
    AppModel& m = make();
    m.showToast(QStringLiteral("First"), {});
    const Uuid first = m.toast()->id;
    const TroveToast second{Uuid::random(), QStringLiteral("Second"), QStringLiteral("Added to cleanup"),
                            TroveToastAction::cleanup, QStringLiteral("Review")};
    m.setToast(second);
    waitPastToastTimers(timing.toastDuration);
    EXPECT_EQ(m.toast(), second);
    EXPECT_NE(second.id, first);

    // Each notification shown through showToast has its own id, and a dismissal meanwhile is left alone.
    m.showToast(QStringLiteral("Third"), {});
    EXPECT_NE(m.toast()->id, first);
    m.setToast(std::nullopt);
    m.setToast(second);
    waitPastToastTimers(timing.toastDuration);
    EXPECT_EQ(m.toast(), second);
}

TEST_F(ToastTest, TheCleanupActionOpensTheCleanupSectionAndDismisses) {
    AppModel& m = make();
    m.setSection(AppSection::explore);
    m.setToast(TroveToast{
        Uuid::random(), QStringLiteral("Added"), {}, TroveToastAction::cleanup, QStringLiteral("Review")});
    m.performToastAction();
    EXPECT_EQ(m.section(), AppSection::cleanup);
    EXPECT_EQ(m.toast(), std::nullopt);
}

TEST_F(ToastTest, ANotificationWithoutActionOrNoneChangesNothing) {
    AppModel& m = make();
    m.setSection(AppSection::duplicates);
    m.performToastAction();
    EXPECT_EQ(m.section(), AppSection::duplicates);

    m.showToast(QStringLiteral("Cleanup cancelled"), {});
    const auto shown = m.toast();
    m.performToastAction();
    EXPECT_EQ(m.section(), AppSection::duplicates);
    EXPECT_EQ(m.toast(), shown);
}

} // namespace
} // namespace ambertrove
