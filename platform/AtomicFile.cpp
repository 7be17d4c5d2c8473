#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace sondrel {

namespace {

std::string ResolveLink(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) == nullptr) return path;
  return resolved;
}

mode_t NewFileMode(const std::string& target) {
  struct stat info {};
  if (stat(target.c_str(), &info) == 0) return info.st_mode & 07777;
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t written = write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (written == 0) {
      errno = ENOSPC;
      return false;
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

}  // namespace

AtomicWriteResult WriteFileAtomically(const std::string& path,
                                      const std::vector<std::pair<const uint8_t*, size_t>>& pieces) {
  const std::string target = ResolveLink(path);
  std::string temporary = target + ".XXXXXX";
  const int fd = mkstemp(temporary.data());
  if (fd < 0) return {AtomicWriteResult::Status::CannotCreate, errno};

  auto fail = [&](AtomicWriteResult::Status status) {
    const int error = errno;
    close(fd);
    unlink(temporary.c_str());
    return AtomicWriteResult{status, error};
  };
  for (const auto& [data, size] : pieces) {
    if (!WriteAll(fd, data, size)) return fail(AtomicWriteResult::Status::WriteFailed);
  }
  if (fchmod(fd, NewFileMode(target)) != 0) return fail(AtomicWriteResult::Status::CannotCreate);
  if (fsync(fd) != 0) return fail(AtomicWriteResult::Status::WriteFailed);
  if (close(fd) != 0) {
    const int error = errno;
    unlink(temporary.c_str());
    return {AtomicWriteResult::Status::WriteFailed, error};
  }
  if (rename(temporary.c_str(), target.c_str()) != 0) {
    const int error = errno;
    unlink(temporary.c_str());
    return {AtomicWriteResult::Status::CannotCreate, error};
  }
  return {};
}

}  // namespace sondrel
