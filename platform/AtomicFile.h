#pragma once
// Replaces a file's whole content so that a reader (or a crash) sees either
// the old file or the new one, never a part: the bytes go to a temporary file
// beside the target, which is flushed and then renamed over it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sondrel {

struct AtomicWriteResult {
  enum class Status {
    Ok,
    CannotCreate,  // the folder is missing or not writable, or the rename failed
    WriteFailed,   // the data did not all reach the disk (full disk, I/O error)
  };
  Status status = Status::Ok;
  int error = 0;  // the system's error number when not Ok
  bool ok() const { return status == Status::Ok; }
};

// Writes the pieces one after the other as the file's new content. A symbolic
// link is followed, so the file it points to is replaced (or created), not the
// link. An existing file keeps its permissions; a new one gets the usual 0666
// less the umask. On failure the old file is untouched and no temporary file
// remains. The one exception is a writable file in a folder that takes no new
// files: it is overwritten in place, as a plain save would, and the result is
// Ok only when every byte was written.
AtomicWriteResult WriteFileAtomically(const std::string& path,
                                      const std::vector<std::pair<const uint8_t*, size_t>>& pieces);

// Follows symbolic links one by one, so that a link to a file that does not
// exist yet names that file: a write creates it and the link stays a link.
std::string ResolveLinks(const std::string& path);
// A regular file this process may write to.
bool IsWritableRegularFile(const std::string& path);
// A mkstemp pattern for a temporary file beside target, within the file-name
// limit however long target's own name is.
std::string TemporaryNameBeside(const std::string& target);
// The permissions a file written over target gets: target's own when it
// exists, otherwise 0666 less the umask.
unsigned NewFileMode(const std::string& target);

}  // namespace sondrel
