#include "platform/BackgroundCloser.h"

#include <system_error>

namespace sondrel {

BackgroundCloser::~BackgroundCloser() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void BackgroundCloser::Run(std::function<void()> job) {
  if (!thread_.joinable()) {
    try {
      thread_ = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
      job();  // no thread to be had: release it here and now
      return;
    }
  }
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  changed_.notify_all();
}

void BackgroundCloser::WaitUntilIdle() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return jobs_.empty() && !busy_; });
}

void BackgroundCloser::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return !jobs_.empty() || stopping_; });
    if (jobs_.empty()) return;  // stopping, and nothing left to release
    std::function<void()> job = std::move(jobs_.front());
    jobs_.pop_front();
    busy_ = true;
    lock.unlock();
    job();
    lock.lock();
    busy_ = false;
    changed_.notify_all();
  }
}

}  // namespace sondrel
