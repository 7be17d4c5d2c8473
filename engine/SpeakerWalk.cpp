#include "engine/SpeakerWalk.h"

#include <algorithm>
#include <chrono>

#include "engine/AppError.h"
#include "engine/Playback.h"
#include "platform/WaveOut.h"

namespace sondrel {

namespace {

constexpr Speaker kClockwise[] = {Speaker::FL, Speaker::FC, Speaker::FR, Speaker::SR,
                                  Speaker::RR, Speaker::RL, Speaker::SL, Speaker::LFE};
// The sound server's own latency after the last sample: the voice's wait
// allows for it before giving up on the done mark.
constexpr int kVoiceGraceMs = 2000;

// Puts the chosen speakers and channels back, also when an error ends the walk.
class ChoiceKept {
 public:
  explicit ChoiceKept(Playback& playback)
      : playback_(playback), speakers_(playback.ChosenSpeakers), gains_(playback.Gains()) {}
  ~ChoiceKept() {
    playback_.ChosenSpeakers = speakers_;
    playback_.LeftGain = gains_.LeftGain;
    playback_.RightGain = gains_.RightGain;
  }
  ChoiceKept(const ChoiceKept&) = delete;
  ChoiceKept& operator=(const ChoiceKept&) = delete;

 private:
  Playback& playback_;
  SpeakerSet speakers_;
  ChannelGains gains_;
};

}  // namespace

std::vector<Speaker> WalkOrder(const SpeakerLayout& layout) {
  std::vector<Speaker> order;
  for (const Speaker speaker : kClockwise) {
    if (layout.Has(speaker)) order.push_back(speaker);
  }
  return order;
}

std::string VoiceSoundName(Speaker speaker) {
  static const char* const kNames[kSpeakerCount] = {"front-left", "front-right", "front-center", "lfe",
                                                    "rear-left",  "rear-right",  "side-left",    "side-right"};
  return std::string("audio-channel-") + kNames[static_cast<int>(speaker)];
}

std::optional<MonoClip> ThemeVoiceOf(Speaker speaker) {
  const std::optional<std::string> file = SoundThemeFile(VoiceSoundName(speaker));
  return file ? ReadMonoClip(*file) : std::nullopt;
}

std::vector<int16_t> VoiceOnSpeaker(const MonoClip& voice, const SpeakerLayout& layout, Speaker speaker) {
  const size_t channels = layout.speakers.size();
  const size_t channel = std::find(layout.speakers.begin(), layout.speakers.end(), speaker) - layout.speakers.begin();
  std::vector<int16_t> frames(voice.samples.size() * channels, 0);
  if (channel == channels) return frames;
  for (size_t frame = 0; frame < voice.samples.size(); ++frame) frames[frame * channels + channel] = voice.samples[frame];
  return frames;
}

bool SpeakerWalk::Run(int32_t device) {
  const SpeakerLayout& layout = LayoutOf(playback_.Speakers);
  const ChoiceKept kept(playback_);
  for (const Speaker speaker : WalkOrder(layout)) {
    host_.Announce(speaker);
    if (!Speak(device, layout, speaker)) return false;
    playback_.ChosenSpeakers = SpeakerBit(speaker);  // in Stereo, the Left or the Right channel
    playback_.LeftGain = speaker == Speaker::FL ? 1 : 0;
    playback_.RightGain = speaker == Speaker::FR ? 1 : 0;
    playback_.StartTone();
    const bool going = host_.Wait(kWalkMillisecondsPerSpeaker, [] { return false; });
    playback_.StopTone();
    if (!going) return false;
  }
  return true;
}

// Plays the speaker's name on it alone, once, and waits for its end.
bool SpeakerWalk::Speak(int32_t device, const SpeakerLayout& layout, Speaker speaker) {
  const std::optional<MonoClip> voice = host_.VoiceOf(speaker);
  if (!voice || voice->samples.empty() || voice->rate <= 0) return true;
  const std::vector<int16_t> frames = VoiceOnSpeaker(*voice, layout, speaker);
  WAVEFORMATEX format;
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = static_cast<uint16_t>(layout.Channels());
  format.nSamplesPerSec = static_cast<uint32_t>(voice->rate);
  format.wBitsPerSample = 16;
  format.nBlockAlign = static_cast<uint16_t>(format.nChannels * 2);
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  WAVEHDR header;
  header.lpData = reinterpret_cast<const uint8_t*>(frames.data());
  header.dwBufferLength = static_cast<uint32_t>(frames.size() * sizeof(int16_t));
  header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
  header.dwLoops = 1;
  HWAVEOUT handle = 0;
  WaveResult result = waveOut_.Open(&handle, device, format);
  if (!result.empty()) throw AppError(result);
  result = waveOut_.PrepareHeader(handle, &header);
  if (result.empty()) result = waveOut_.Write(handle, &header);
  bool going = true;
  if (result.empty()) {
    // The device may mark the clip done once the mix has taken it, before
    // it is heard: the walk also lets the clip's own length pass.
    const auto length = std::chrono::milliseconds(voice->samples.size() * 1000 / static_cast<size_t>(voice->rate));
    const auto end = std::chrono::steady_clock::now() + length;
    going = host_.Wait(static_cast<int>(length.count()) + kVoiceGraceMs, [&] {
      const bool done = (header.dwFlags.load() & WHDR_DONE) != 0 && std::chrono::steady_clock::now() >= end;
      return done || !waveOut_.DeviceLost(handle).empty();
    });
    if (result.empty()) result = waveOut_.DeviceLost(handle);
  }
  waveOut_.Reset(handle);
  waveOut_.UnprepareHeader(handle, &header);
  waveOut_.Close(handle);
  if (!result.empty()) throw AppError(result);
  return going;
}

}  // namespace sondrel
