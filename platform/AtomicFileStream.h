#pragma once
// A file written piece by piece that takes its target's place only when
// Commit succeeds: the bytes go to a temporary file beside the target (a
// symbolic link is followed, so the file it points to is replaced and the
// link stays), which is flushed and renamed over the target. Abandoned (the
// object goes without Commit), the temporary file is removed and an existing
// target is untouched. Every save of the program goes this way.
//
// The one exception is a writable file in a folder that takes no new files:
// it is emptied and written in place, as a plain save would.
//
// While a temporary file is open, a termination signal's handler can remove
// it with RemovePendingTemporaryFile before the process ends.

#include <string>

#include "platform/AtomicFile.h"

namespace sondrel {

class AtomicFileStream {
 public:
  explicit AtomicFileStream(const std::string& path);
  ~AtomicFileStream();
  AtomicFileStream(const AtomicFileStream&) = delete;
  AtomicFileStream& operator=(const AtomicFileStream&) = delete;

  // Ok when the stream could be opened; otherwise why not.
  const AtomicWriteResult& Opened() const { return opened_; }
  // Where to write; -1 when the stream did not open.
  int Descriptor() const { return fd_; }
  // Writes all of the bytes; false with errno set when they did not all go.
  bool Write(const void* data, size_t size);
  // Flushes the file, gives it the target's permissions and name.
  AtomicWriteResult Commit();

 private:
  void Abandon();

  std::string target_;     // the path with its links followed
  std::string temporary_;  // empty when writing in place or after Commit
  int fd_ = -1;
  AtomicWriteResult opened_;
};

// Removes the temporary file of the stream now open, if any. Safe to call
// from a signal handler.
void RemovePendingTemporaryFile();

}  // namespace sondrel
