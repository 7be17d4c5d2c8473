#pragma once
// The system calls through which the program's saves reach the disk (atomic
// files, audio files, and so the file-type registration's files), in one
// table: a test replaces an entry to make that call fail as a full disk or a
// failing drive would, on any machine and as any user.

#include <sys/types.h>

#include <cstddef>

namespace sondrel {

struct FileCalls {
  ssize_t (*write)(int fd, const void* bytes, size_t size);
  ssize_t (*pwrite)(int fd, const void* bytes, size_t size, off_t offset);
  int (*fsync)(int fd);
  int (*rename)(const char* from, const char* to);
  int (*unlink)(const char* path);  // also called from a signal handler
};

// The table in use: the system's own calls unless a test replaced one.
FileCalls& SystemFileCalls();

}  // namespace sondrel
