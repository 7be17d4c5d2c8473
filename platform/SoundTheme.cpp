#include "platform/SoundTheme.h"

#include <sndfile.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "platform/SndfileLibrary.h"

namespace sondrel {

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// $XDG_DATA_HOME, then $XDG_DATA_DIRS, each with its default when unset or empty.
std::vector<std::string> DataFolders() {
  std::vector<std::string> folders;
  const std::string home = Environment("XDG_DATA_HOME");
  if (!home.empty()) {
    folders.push_back(home);
  } else if (const std::string user = Environment("HOME"); !user.empty()) {
    folders.push_back(user + "/.local/share");
  }
  std::string dirs = Environment("XDG_DATA_DIRS");
  if (dirs.empty()) dirs = "/usr/local/share:/usr/share";
  std::istringstream list(dirs);
  for (std::string folder; std::getline(list, folder, ':');) {
    if (!folder.empty()) folders.push_back(folder);
  }
  return folders;
}

bool Exists(const std::string& path) { return access(path.c_str(), R_OK) == 0; }

}  // namespace

std::optional<std::string> SoundThemeFile(const std::string& soundName, const std::string& theme) {
  for (const std::string& folder : DataFolders()) {
    const std::string stem = folder + "/sounds/" + theme + "/stereo/" + soundName;
    if (Exists(stem + ".disabled")) return std::nullopt;
    for (const char* extension : {".oga", ".ogg", ".wav"}) {
      if (Exists(stem + extension)) return stem + extension;
    }
  }
  return std::nullopt;
}

std::optional<MonoClip> ReadMonoClip(const std::string& path, int maxSeconds) {
  const SndfileFunctions* library = Sndfile(nullptr);
  if (library == nullptr) return std::nullopt;
  SF_INFO info{};
  SNDFILE* file = library->sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) return std::nullopt;
  std::optional<MonoClip> clip;
  if (info.channels > 0 && info.samplerate > 0) {
    const sf_count_t most = static_cast<sf_count_t>(info.samplerate) * maxSeconds;
    std::vector<int16_t> frames(static_cast<size_t>(most) * static_cast<size_t>(info.channels));
    const sf_count_t read = library->sf_readf_short(file, frames.data(), most);
    if (read > 0) {
      clip = MonoClip{{}, info.samplerate};
      clip->samples.reserve(static_cast<size_t>(read));
      for (sf_count_t frame = 0; frame < read; ++frame) {
        int32_t sum = 0;
        for (int channel = 0; channel < info.channels; ++channel) sum += frames[frame * info.channels + channel];
        clip->samples.push_back(static_cast<int16_t>(sum / info.channels));
      }
    }
  }
  library->sf_close(file);
  return clip;
}

}  // namespace sondrel
