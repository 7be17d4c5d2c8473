#pragma once
// Makes one of the program's file calls fail with a chosen error from its
// n-th use on (1: at once), for as long as the object lives: a full disk, a
// drive that fails its flush, a rename across file systems, on any machine.

#include <cerrno>

#include "platform/FileCalls.h"

namespace sondrel::testing_support {

enum class FileCall { Write, Pwrite, Fsync, Rename, Unlink };

inline const char* FileCallName(FileCall call) {
  constexpr const char* kNames[] = {"Write", "Pwrite", "Fsync", "Rename", "Unlink"};
  return kNames[static_cast<int>(call)];
}

class FailingFileCall {
 public:
  FailingFileCall(FileCall call, int error, int fromUse = 1) : saved_(SystemFileCalls()) {
    original_ = saved_;
    error_ = error;
    usesLeft_ = fromUse - 1;
    FileCalls& calls = SystemFileCalls();
    switch (call) {
      case FileCall::Write:
        calls.write = [](int fd, const void* bytes, size_t size) { return Due() ? Fail<ssize_t>() : original_.write(fd, bytes, size); };
        break;
      case FileCall::Pwrite:
        calls.pwrite = [](int fd, const void* bytes, size_t size, off_t at) {
          return Due() ? Fail<ssize_t>() : original_.pwrite(fd, bytes, size, at);
        };
        break;
      case FileCall::Fsync:
        calls.fsync = [](int fd) { return Due() ? Fail<int>() : original_.fsync(fd); };
        break;
      case FileCall::Rename:
        calls.rename = [](const char* from, const char* to) { return Due() ? Fail<int>() : original_.rename(from, to); };
        break;
      case FileCall::Unlink:
        calls.unlink = [](const char* path) { return Due() ? Fail<int>() : original_.unlink(path); };
        break;
    }
  }
  ~FailingFileCall() { SystemFileCalls() = saved_; }
  FailingFileCall(const FailingFileCall&) = delete;
  FailingFileCall& operator=(const FailingFileCall&) = delete;

 private:
  static bool Due() { return usesLeft_-- <= 0; }
  template <typename Result>
  static Result Fail() {
    errno = error_;
    return -1;
  }

  FileCalls saved_;
  static inline FileCalls original_{};
  static inline int error_ = 0;
  static inline int usesLeft_ = 0;
};

}  // namespace sondrel::testing_support
