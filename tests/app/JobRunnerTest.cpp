#include "controller/ManualJobRunner.hpp"
#include "controller/ThreadJobRunner.hpp"

#include <QCoreApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace ambertrove {

// Signals once per applied result, so that tests wait on it.
class AppliedSignal : public QObject {
    Q_OBJECT

signals:
    void applied();
};

namespace {

constexpr int kWaitMs = 10'000;

int threadNiceness() {
    errno = 0;
    return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
}

TEST(ThreadJobRunnerTest, JobsRunOnWorkersAndTheirProgressAndResultsAreAppliedOnTheGuiThreadInOrder) {
    ThreadJobRunner runner;
    AppliedSignal signal;
    QSignalSpy applied(&signal, &AppliedSignal::applied);
    const std::thread::id gui = std::this_thread::get_id();
    std::vector<std::string> events;
    std::atomic<bool> jobOnGui{false};

    runner.start(JobKind::longJob, [&]() -> JobRunner::Apply {
        jobOnGui = std::this_thread::get_id() == gui;
        for (int i = 1; i <= 3; ++i)
            runner.post([&, i] {
                events.push_back("progress " + std::to_string(i) +
                                 (std::this_thread::get_id() == gui ? "" : " off"));
            });
        return [&] {
            events.push_back(std::string("result") + (std::this_thread::get_id() == gui ? "" : " off"));
            emit signal.applied();
        };
    });
    ASSERT_TRUE(applied.wait(kWaitMs));
    EXPECT_FALSE(jobOnGui);
    EXPECT_EQ(events, (std::vector<std::string>{"progress 1", "progress 2", "progress 3", "result"}));
}

TEST(ThreadJobRunnerTest, UtilityJobsLowerTheirOwnThreadsPriorityAndLongJobsKeepIt) {
    ThreadJobRunner runner;
    AppliedSignal signal;
    QSignalSpy applied(&signal, &AppliedSignal::applied);
    const int normal = threadNiceness();
    std::atomic<int> utility{-100};
    std::atomic<int> longJob{-100};
    runner.start(JobKind::utility, [&]() -> JobRunner::Apply {
        utility = threadNiceness();
        return [&] {
            emit signal.applied();
        };
    });
    runner.start(JobKind::longJob, [&]() -> JobRunner::Apply {
        longJob = threadNiceness();
        return [&] {
            emit signal.applied();
        };
    });
    while (applied.count() < 2)
        ASSERT_TRUE(applied.wait(kWaitMs));
    EXPECT_EQ(utility, std::max(normal, ThreadJobRunner::kUtilityNiceness));
    EXPECT_EQ(longJob, normal);
    // The GUI thread keeps its priority.
    EXPECT_EQ(threadNiceness(), normal);
}

TEST(ThreadJobRunnerTest, QueriesRunWhileEveryLongJobIsBusy) {
    ThreadJobRunner runner;
    AppliedSignal signal;
    QSignalSpy applied(&signal, &AppliedSignal::applied);
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> longDone{0};
    for (int i = 0; i < 4; ++i)
        runner.start(JobKind::longJob, [&, released]() -> JobRunner::Apply {
            released.wait();
            ++longDone;
            return {};
        });
    bool queryApplied = false;
    runner.start(JobKind::query, [&]() -> JobRunner::Apply {
        return [&] {
            queryApplied = true;
            emit signal.applied();
        };
    });
    ASSERT_TRUE(applied.wait(kWaitMs));
    EXPECT_TRUE(queryApplied);
    EXPECT_EQ(longDone, 0);
    release.set_value();
}

TEST(ThreadJobRunnerTest, DestructionWaitsForRunningJobsAndDropsWhatTheyPost) {
    auto runner = std::make_unique<ThreadJobRunner>();
    std::promise<void> entered;
    std::promise<void> release;
    std::atomic<bool> finished{false};
    bool applied = false;
    runner->start(JobKind::longJob, [&, go = release.get_future().share()]() -> JobRunner::Apply {
        entered.set_value();
        go.wait();
        finished = true;
        return [&] {
            applied = true;
        };
    });
    entered.get_future().wait();
    release.set_value();
    runner.reset();
    EXPECT_TRUE(finished);
    QCoreApplication::processEvents();
    EXPECT_FALSE(applied);
}

TEST(ThreadJobRunnerTest, AJobThatThrowsLosesOnlyItsResult) {
    ThreadJobRunner runner;
    AppliedSignal signal;
    QSignalSpy applied(&signal, &AppliedSignal::applied);
    runner.start(JobKind::longJob, []() -> JobRunner::Apply { throw std::runtime_error("broken job"); });
    runner.start(JobKind::longJob, [&]() -> JobRunner::Apply {
        return [&] {
            emit signal.applied();
        };
    });
    ASSERT_TRUE(applied.wait(kWaitMs));
}

TEST(ManualJobRunnerTest, JobsRunInAnyOrderAndTheirResultsArriveWhenDelivered) {
    ManualJobRunner runner;
    std::vector<std::string> events;
    const auto job = [&](std::string name) {
        return [&, name]() -> JobRunner::Apply {
            events.push_back("run " + name);
            runner.post([&, name] { events.push_back("progress " + name); });
            return [&, name] {
                events.push_back("apply " + name);
            };
        };
    };
    runner.start(JobKind::longJob, job("scan"));
    runner.start(JobKind::query, job("query"));
    runner.start(JobKind::utility, job("sample"));
    ASSERT_EQ(runner.pending(), 3u);
    EXPECT_EQ(runner.kind(1), JobKind::query);

    runner.runWithoutDelivering(0); // the scan, whose results come late
    runner.run(1);                  // the sample (now at position 1), delivered with the scan's
    EXPECT_EQ(events, (std::vector<std::string>{"run scan", "run sample", "progress scan", "apply scan",
                                                "progress sample", "apply sample"}));
    events.clear();
    runner.runAll();
    EXPECT_EQ(events, (std::vector<std::string>{"run query", "progress query", "apply query"}));
    EXPECT_EQ(runner.pending(), 0u);
    EXPECT_EQ(runner.startedCount(), 3u);
    EXPECT_THROW(runner.run(0), std::out_of_range);
}

} // namespace
} // namespace ambertrove

#include "JobRunnerTest.moc"
