#pragma once
// The panel's parameter controls as the engine reads them when a tone starts
// or is exported. Each field bears the name of the control that supplies it;
// numbers stay texts until the synthesis converts them.

#include <array>
#include <cstdint>
#include <string>

#include "engine/SpeakerLayout.h"
#include "platform/FrameRate.h"

namespace sondrel {

enum class SignalPage { Constant, Sweep, Noise, MultiTone, Burst, Dtmf };

// Signals whose buffer holds them once, as long as they are: played once
// (or looped without end).
inline bool PlayedOnce(SignalPage page) { return page == SignalPage::Sweep || page == SignalPage::Dtmf; }

// Signals played from one looped period, to the frame for a duration.
inline bool PeriodicToTheFrame(SignalPage page) {
  return page == SignalPage::Noise || page == SignalPage::MultiTone || page == SignalPage::Burst;
}

// Item indices of the waveform list.
enum WaveFormIndex : int32_t { kSine = 0, kSquare = 1, kTriangular = 2 };
// Item indices of the noise page's colour list.
enum NoiseColourIndex : int32_t { kWhite = 0, kPink = 1, kBrown = 2 };
// Item indices of the burst page's window list.
enum BurstWindowIndex : int32_t { kHannWindow = 0, kRectangularWindow = 1 };

// A band of pink noise for setting levels with a sound level meter: the pink
// spectrum between 4th-order Butterworth skirts (24 dB an octave) at `low`
// and `high` Hz. {0, 0}: the colour's whole spectrum.
struct NoiseBand {
  double low = 0;
  double high = 0;
  bool Limited() const { return low != 0 || high != 0; }
  bool operator==(const NoiseBand&) const = default;
};
// The window's two level-setting bands.
inline constexpr NoiseBand kSpeakerLevelBand{500, 2000};
inline constexpr NoiseBand kSubwooferLevelBand{30, 80};

struct PanelState {
  SignalPage SignalType = SignalPage::Constant;
  std::string fEdit = "1000";    // constant-tone frequency, Hz
  std::string fInit = "100";     // sweep start frequency, Hz
  std::string fFinal = "10000";  // sweep end frequency, Hz
  std::string Duration = "1";    // seconds
  std::string Amplitude = "0";   // whole decibels relative to full scale
  int32_t WaveForm = kSine;      // -1 when nothing is selected
  int32_t NoiseColour = kWhite;  // the noise page's colour; -1 when nothing is selected
  NoiseBand Band;                // pink noise only: its band
  bool NoiseIndependent = false;  // each channel (speaker) its own noise, not both alike
  std::string ToneList = "60:4,7000:1";  // the multi-tone's frequencies and weights
  std::string BurstFrequency = "50";     // the tone burst's frequency, Hz
  std::string BurstCycles = "6.5";       // cycles in each burst
  std::string BurstPeriod = "1";         // seconds from one burst's start to the next
  int32_t BurstWindow = kHannWindow;
  std::string DtmfDigits = "123";  // the keys to play, in order
  std::string DtmfToneMs = "100";  // each key's tone, whole ms
  std::string DtmfGapMs = "70";    // the silence after each, whole ms
  int32_t WaveDevice = 0;        // device number; -1 for the default device
  bool Loop = true;
  bool Logarithmic = false;      // exponential sweep instead of linear
  bool AlwaysStereo = false;
  bool LongBuffer = false;
  int32_t SampleRate = kFramesPerSecond;  // frames per second of the buffer and the device
  int32_t FadeMs = 0;            // each play's fade in and out, ms; 0: none
};

// The fades a play may have, ms; the first, none, is the default.
inline constexpr std::array<int32_t, 6> kFadeChoicesMs = {0, 5, 10, 20, 50, 100};

// The stored options as every signal is made with them: the settings
// window's boxes, the rate resolved to frames per second.
struct SignalOptions {
  bool alwaysStereo = false;
  bool longBuffer = false;
  int32_t rate = kFramesPerSecond;
  SpeakerLayoutId speakers = SpeakerLayoutId::Stereo;  // what a signal is placed on
  int32_t fadeMs = 0;  // one of kFadeChoicesMs
};

inline void ApplySignalOptions(const SignalOptions& options, PanelState& state) {
  state.AlwaysStereo = options.alwaysStereo;
  state.LongBuffer = options.longBuffer;
  state.SampleRate = options.rate;
  state.FadeMs = options.fadeMs;
}

// Whether the signal is two channels even where both boxes carry the same:
// the option, or noise whose channels are each their own.
inline bool StereoAlways(const PanelState& state) {
  return state.AlwaysStereo || (state.SignalType == SignalPage::Noise && state.NoiseIndependent);
}

// The channel check boxes as the engine sees them, kept in step with the
// boxes by the panel.
struct ChannelGains {
  int32_t LeftGain = 1;   // 0 or 1
  int32_t RightGain = 1;  // 0 or 1
  int32_t PhaseSign = 1;  // +1 in phase, -1 out of phase; never 0
};

}  // namespace sondrel
