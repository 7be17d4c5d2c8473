#include "platform/AtomicFileStream.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/FileCalls.h"

namespace sondrel {

namespace {

// The temporary file now open, for a signal handler to remove.
char gPendingTemporary[PATH_MAX + 1];
volatile sig_atomic_t gPending = 0;

void SetPending(const std::string& temporary) {
  gPending = 0;
  if (temporary.size() > PATH_MAX) return;
  std::memcpy(gPendingTemporary, temporary.c_str(), temporary.size() + 1);
  gPending = 1;
}

// Holds back the termination signals for a few calls, so that a handler
// never removes a file that has just become the target.
class TerminationSignalsHeld {
 public:
  TerminationSignalsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&held, signalNumber);
    sigprocmask(SIG_BLOCK, &held, &before_);
  }
  ~TerminationSignalsHeld() { sigprocmask(SIG_SETMASK, &before_, nullptr); }
  TerminationSignalsHeld(const TerminationSignalsHeld&) = delete;
  TerminationSignalsHeld& operator=(const TerminationSignalsHeld&) = delete;

 private:
  sigset_t before_;
};

}  // namespace

void RemovePendingTemporaryFile() {
  if (gPending != 0) {
    gPending = 0;
    SystemFileCalls().unlink(gPendingTemporary);
  }
}

AtomicFileStream::AtomicFileStream(const std::string& path) : target_(ResolveLinks(path)) {
  temporary_ = TemporaryNameBeside(target_);
  {
    // A handler that comes between the two would not know of the new file.
    const TerminationSignalsHeld held;
    fd_ = mkstemp(temporary_.data());
    if (fd_ >= 0) SetPending(temporary_);
  }
  if (fd_ >= 0) return;
  const int error = errno;
  temporary_.clear();
  if ((error == EACCES || error == EPERM) && IsWritableRegularFile(target_)) {
    // A folder that takes no new files: the writable file itself, emptied.
    fd_ = open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd_ >= 0) return;
    opened_ = {AtomicWriteResult::Status::CannotCreate, errno};
    return;
  }
  opened_ = {AtomicWriteResult::Status::CannotCreate, error};
}

AtomicFileStream::~AtomicFileStream() { Abandon(); }

void AtomicFileStream::Abandon() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) {
    gPending = 0;
    SystemFileCalls().unlink(temporary_.c_str());
    temporary_.clear();
  }
}

bool AtomicFileStream::Write(const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (size > 0) {
    const ssize_t written = SystemFileCalls().write(fd_, bytes, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (written == 0) {
      errno = ENOSPC;
      return false;
    }
    bytes += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

AtomicWriteResult AtomicFileStream::Commit() {
  auto fail = [this](AtomicWriteResult::Status status) {
    const int error = errno;
    Abandon();
    return AtomicWriteResult{status, error};
  };
  if (!temporary_.empty() && fchmod(fd_, static_cast<mode_t>(NewFileMode(target_))) != 0) {
    return fail(AtomicWriteResult::Status::CannotCreate);
  }
  if (SystemFileCalls().fsync(fd_) != 0) return fail(AtomicWriteResult::Status::WriteFailed);
  const int closed = close(fd_);
  fd_ = -1;
  if (closed != 0) return fail(AtomicWriteResult::Status::WriteFailed);
  if (temporary_.empty()) return {};  // written in place
  const TerminationSignalsHeld held;
  if (SystemFileCalls().rename(temporary_.c_str(), target_.c_str()) != 0) return fail(AtomicWriteResult::Status::CannotCreate);
  gPending = 0;
  temporary_.clear();
  return {};
}

}  // namespace sondrel
