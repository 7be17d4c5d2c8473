#pragma once
// "Test each speaker": the signal on each speaker of a layout in turn, clockwise from the front left as the listener sees the room (FL,
// FC, FR, SR, RR, RL, SL), the subwoofer last. Each speaker's name is spoken
// on that speaker alone first, when a recording of it is at hand.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/SpeakerLayout.h"
#include "platform/SoundTheme.h"

namespace sondrel {

class Playback;
class WaveOut;

inline constexpr int kWalkMillisecondsPerSpeaker = 3000;

// The layout's speakers in the walk's order.
std::vector<Speaker> WalkOrder(const SpeakerLayout& layout);

// The sound theme's name for the recording of the speaker's name:
// "audio-channel-front-left", ..., "audio-channel-lfe".
std::string VoiceSoundName(Speaker speaker);
// That recording from the freedesktop sound theme; nothing when it is not
// installed (no theme has the subwoofer's).
std::optional<MonoClip> ThemeVoiceOf(Speaker speaker);

// The mono clip on the speaker's channel of the layout, silence on the others.
std::vector<int16_t> VoiceOnSpeaker(const MonoClip& voice, const SpeakerLayout& layout, Speaker speaker);

// What the walk needs from the window or the terminal that runs it.
class WalkHost {
 public:
  virtual ~WalkHost() = default;
  // The walk has come to this speaker: light it, show or print its name.
  virtual void Announce(Speaker speaker) = 0;
  // The recording of the speaker's name; nothing when there is none (the
  // subwoofer's, or no sound theme installed): the name is shown alone.
  virtual std::optional<MonoClip> VoiceOf(Speaker speaker) = 0;
  // Waits up to `milliseconds`, or until done() holds, keeping the host
  // responsive; false as soon as the user has stopped the walk.
  virtual bool Wait(int milliseconds, const std::function<bool()>& done) = 0;
};

class SpeakerWalk {
 public:
  SpeakerWalk(Playback& playback, WaveOut& waveOut, WalkHost& host)
      : playback_(playback), waveOut_(waveOut), host_(host) {}

  // Walks the layout the playback is set to, with the signal its window
  // gives, which must loop. Returns false when the user stopped the walk;
  // either way no tone is on afterwards and the playback's chosen speakers
  // are what they were. Throws AppError when the device fails.
  bool Run(int32_t device);

 private:
  bool Speak(int32_t device, const SpeakerLayout& layout, Speaker speaker);

  Playback& playback_;
  WaveOut& waveOut_;
  WalkHost& host_;
};

}  // namespace sondrel
