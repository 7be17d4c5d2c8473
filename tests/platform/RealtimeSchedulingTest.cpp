// Real-time priority for the stream thread: granted where the system allows
// it, and otherwise refused with a reason, never a failure of the program.
#include "platform/RealtimeScheduling.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <thread>

#include "tests/support/Unprivileged.h"

namespace sondrel {
namespace {

int ThreadId() { return static_cast<int>(syscall(SYS_gettid)); }

// Runs `body` on a thread of its own, as the stream thread is.
template <typename Body>
void OnAThread(Body body) {
  std::thread thread(body);
  thread.join();
}

TEST(RealtimeSchedulingTest, WherePrivilegesAllowTheThreadRunsRoundRobinWithAShortBudget) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root or RLIMIT_RTPRIO";
  OnAThread([] {
    EXPECT_EQ(MakeThreadRealtime(ThreadId()), "");
    EXPECT_EQ(sched_getscheduler(0) & ~SCHED_RESET_ON_FORK, SCHED_RR);
    sched_param parameter{};
    sched_getparam(0, &parameter);
    EXPECT_EQ(parameter.sched_priority, kStreamThreadPriority);
  });
  rlimit budget{};
  ASSERT_EQ(getrlimit(RLIMIT_RTTIME, &budget), 0);
  EXPECT_LE(budget.rlim_max, 200000u);  // a runaway real-time thread is stopped by the kernel
}

// Without privileges only rtkit can grant it: then the answer is empty and
// the thread runs round-robin; refused, the reason names rtkit and the
// thread keeps its ordinary policy.
TEST(RealtimeSchedulingTest, WithoutPrivilegesTheAnswerTellsTheTruth) {
  // 0: the answer and the thread's policy agree.
  const int outcome = testing_support::RunUnprivileged([] {
    rlimit none{0, 0};
    setrlimit(RLIMIT_RTPRIO, &none);
    int result = 0;
    OnAThread([&result] {
      const std::string problem = MakeThreadRealtime(ThreadId());
      const int policy = sched_getscheduler(0) & ~SCHED_RESET_ON_FORK;
      if (problem.empty() && policy != SCHED_RR) result = 1;
      if (!problem.empty() && (policy != SCHED_OTHER || problem.find("rtkit") == std::string::npos)) result = 2;
    });
    return result;
  });
  EXPECT_EQ(outcome, 0);
}

TEST(RealtimeSchedulingTest, NoThreadIsNoCall) { EXPECT_EQ(MakeThreadRealtime(0), "no such thread"); }

}  // namespace
}  // namespace sondrel
