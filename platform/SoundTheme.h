#pragma once
// The desktop's sound theme: the recordings of event sounds a desktop
// installs (the freedesktop theme of package sound-theme-freedesktop holds
// "audio-channel-front-left" and the others that name speakers), found
// where desktops keep them: under sounds/ of $XDG_DATA_HOME, then of each
// folder of $XDG_DATA_DIRS, in the theme's stereo folder, as .oga, .ogg or
// .wav; a .disabled file there silences the name. Read through
// libsndfile, loaded when first needed.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sondrel {

// One channel of 16-bit samples at `rate` frames per second.
struct MonoClip {
  std::vector<int16_t> samples;
  int32_t rate = 0;
};

// The theme's file for the sound name, by the environment's folders;
// nothing when there is none or it is disabled.
std::optional<std::string> SoundThemeFile(const std::string& soundName, const std::string& theme = "freedesktop");

// The file's sound mixed down to one channel; nothing when libsndfile is
// missing or cannot read it. At most `maxSeconds` are read.
std::optional<MonoClip> ReadMonoClip(const std::string& path, int maxSeconds = 10);

}  // namespace sondrel
