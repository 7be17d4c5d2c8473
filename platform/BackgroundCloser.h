#pragma once
// Runs release jobs (closing a sound device) on a thread of their own, one
// after the other, so that the caller never waits for them: a sound server
// that answers slowly cannot hold up the window, a signal or the next tone.
// When no thread can be started, a job runs at once on the caller's thread.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace sondrel {

class BackgroundCloser {
 public:
  BackgroundCloser() = default;
  // Waits for the jobs still pending.
  ~BackgroundCloser();
  BackgroundCloser(const BackgroundCloser&) = delete;
  BackgroundCloser& operator=(const BackgroundCloser&) = delete;

  void Run(std::function<void()> job);
  // Returns once every job handed over so far has run.
  void WaitUntilIdle();

 private:
  void Work();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> jobs_;
  bool busy_ = false;     // a job is running
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace sondrel
