// The closer: its caller never waits for a job, jobs run in order, and
// waiting for it or destroying it lets every job finish first.
#include "platform/BackgroundCloser.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <vector>

namespace sondrel {
namespace {

TEST(BackgroundCloserTest, TheCallerDoesNotWaitForAJobThatIsHeldUp) {
  BackgroundCloser closer;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> finished{false};
  closer.Run([released, &finished] {
    released.wait();  // a sound server that does not answer
    finished = true;
  });
  EXPECT_FALSE(finished);  // Run returned while the job is held up
  release.set_value();
  closer.WaitUntilIdle();
  EXPECT_TRUE(finished);
}

TEST(BackgroundCloserTest, RunsJobsInOrderAndFinishesThemBeforeItGoes) {
  std::vector<int> order;
  {
    BackgroundCloser closer;
    for (int job = 0; job < 50; ++job) closer.Run([&order, job] { order.push_back(job); });
  }
  ASSERT_EQ(order.size(), 50u);
  for (int job = 0; job < 50; ++job) EXPECT_EQ(order[static_cast<size_t>(job)], job);
}

// Waiting covers the job that is running, not only those still queued: a
// device is closed once the wait returns.
TEST(BackgroundCloserTest, WaitingLastsWhileAJobStillRuns) {
  BackgroundCloser closer;
  std::promise<void> started, release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> finished{false};
  closer.Run([&started, released, &finished] {
    started.set_value();
    released.wait();
    finished = true;
  });
  started.get_future().wait();  // taken off the queue and running
  std::future<bool> waiter = std::async(std::launch::async, [&closer, &finished] {
    closer.WaitUntilIdle();
    return finished.load();
  });
  EXPECT_EQ(waiter.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
  release.set_value();
  EXPECT_TRUE(waiter.get());
}

}  // namespace
}  // namespace sondrel
