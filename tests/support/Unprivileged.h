#pragma once
// File permissions do not stop root, and the tests often run as root (CI,
// containers). A test of a permission fault runs its body in a child process
// that has dropped to the unprivileged user "nobody" first.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

namespace sondrel::testing_support {

inline constexpr uid_t kNobody = 65534;

// Hands a file or folder the test made to the user the body runs as.
inline void GiveToBody(const std::filesystem::path& path) {
  if (geteuid() == 0 && chown(path.c_str(), kNobody, kNobody) != 0) ADD_FAILURE() << "chown " << path;
}

// Runs body in a child process, as "nobody" when the test runs as root, and
// returns what body returned (or -1 when the child could not run it).
inline int RunUnprivileged(const std::function<int()>& body) {
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(255);
    _exit(body());
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace sondrel::testing_support
