#pragma once
// A folder of the test's own under the system's temporary folder, named for
// its purpose and the process, made empty when the object is made and
// removed with it (given back its owner's permissions first, for a test that
// took them away).

#include <unistd.h>

#include <filesystem>
#include <string>

namespace sondrel::testing_support {

class TemporaryFolder {
 public:
  explicit TemporaryFolder(const std::string& purpose)
      : path_(std::filesystem::temp_directory_path() / ("sondrel-" + purpose + "-" + std::to_string(getpid()))) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace sondrel::testing_support
