#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace sondrel {

namespace {

// Longest part of the target's name kept in the temporary name: with the
// leading dot and the ".XXXXXX" suffix it stays well within NAME_MAX (255
// bytes), however long the target's own name is.
constexpr size_t kKeptNameBytes = 200;
// Links followed before giving up, as the kernel does (ELOOP).
constexpr int kMaxLinkHops = 40;

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Follows symbolic links one by one, so that a link to a file that does not
// exist yet names that file: the write creates it and the link stays a link.
std::string ResolveLinks(const std::string& path) {
  std::string current = path;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat info {};
    if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
    char target[PATH_MAX];
    const ssize_t length = readlink(current.c_str(), target, sizeof target - 1);
    if (length <= 0) return current;
    const std::string next(target, static_cast<size_t>(length));
    current = next.front() == '/' ? next : FolderOf(current) + "/" + next;
  }
  return current;
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

using Pieces = std::vector<std::pair<const uint8_t*, size_t>>;

// A writable file in a folder where no new file can be made: the content is
// written over the old one, as a plain save would, and counts as written
// only when every byte has reached the disk.
AtomicWriteResult WriteInPlace(const std::string& target, const Pieces& pieces) {
  const int fd = open(target.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return {AtomicWriteResult::Status::CannotCreate, errno};
  off_t size = 0;
  bool ok = true;
  for (const auto& [data, length] : pieces) {
    if (!(ok = WriteAll(fd, data, length))) break;
    size += static_cast<off_t>(length);
  }
  ok = ok && ftruncate(fd, size) == 0 && fsync(fd) == 0;
  const int error = errno;
  if (close(fd) != 0 && ok) return {AtomicWriteResult::Status::WriteFailed, errno};
  if (!ok) return {AtomicWriteResult::Status::WriteFailed, error};
  return {};
}

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

std::string TemporaryNameBeside(const std::string& target) {
  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  return folder + "." + name.substr(0, kKeptNameBytes) + ".XXXXXX";
}

unsigned NewFileMode(const std::string& target) {
  struct stat info {};
  if (stat(target.c_str(), &info) == 0) return info.st_mode & 07777;
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

AtomicWriteResult WriteFileAtomically(const std::string& path, const Pieces& pieces) {
  const std::string target = ResolveLinks(path);
  std::string temporary = TemporaryNameBeside(target);
  const int fd = mkstemp(temporary.data());
  if (fd < 0) {
    const int error = errno;
    if ((error == EACCES || error == EPERM) && IsRegularFile(target) && access(target.c_str(), W_OK) == 0) {
      return WriteInPlace(target, pieces);
    }
    return {AtomicWriteResult::Status::CannotCreate, error};
  }

  auto fail = [&](AtomicWriteResult::Status status) {
    const int error = errno;
    close(fd);
    unlink(temporary.c_str());
    return AtomicWriteResult{status, error};
  };
  for (const auto& [data, size] : pieces) {
    if (!WriteAll(fd, data, size)) return fail(AtomicWriteResult::Status::WriteFailed);
  }
  if (fchmod(fd, static_cast<mode_t>(NewFileMode(target))) != 0) return fail(AtomicWriteResult::Status::CannotCreate);
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
