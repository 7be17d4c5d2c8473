#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/AtomicFileStream.h"

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

}  // namespace

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

bool IsWritableRegularFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), W_OK) == 0;
}

using Pieces = std::vector<std::pair<const uint8_t*, size_t>>;

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
  AtomicFileStream stream(path);
  if (!stream.Opened().ok()) return stream.Opened();
  for (const auto& [data, size] : pieces) {
    if (!stream.Write(data, size)) return {AtomicWriteResult::Status::WriteFailed, errno};
  }
  return stream.Commit();
}

}  // namespace sondrel
