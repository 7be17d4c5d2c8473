#pragma once
// Panel states as a test types them into the boxes: the texts as written,
// every other field at the window's start value.

#include <cstdint>
#include <string>

#include "engine/PanelState.h"

namespace sondrel::testing_support {

inline PanelState TonePanel(const char* hz, const char* seconds = "1", const char* db = "0", int32_t wave = kSine) {
  PanelState state;
  state.fEdit = hz;
  state.Duration = seconds;
  state.Amplitude = db;
  state.WaveForm = wave;
  return state;
}

inline PanelState SweepPanel(const char* from, const char* to, const char* seconds, int32_t wave, const char* db) {
  PanelState state;
  state.SignalType = SignalPage::Sweep;
  state.fInit = from;
  state.fFinal = to;
  state.Duration = seconds;
  state.WaveForm = wave;
  state.Amplitude = db;
  return state;
}

inline PanelState NoisePanel(int32_t colour, const std::string& db) {
  PanelState state;
  state.SignalType = SignalPage::Noise;
  state.NoiseColour = colour;
  state.Amplitude = db;
  return state;
}

inline PanelState MultiTonePanel(const std::string& list, const std::string& db) {
  PanelState state;
  state.SignalType = SignalPage::MultiTone;
  state.ToneList = list;
  state.Amplitude = db;
  return state;
}

inline PanelState BurstPanel(const std::string& hz, const std::string& cycles, const std::string& every,
                             const std::string& db, int32_t window = kHannWindow) {
  PanelState state;
  state.SignalType = SignalPage::Burst;
  state.BurstFrequency = hz;
  state.BurstCycles = cycles;
  state.BurstPeriod = every;
  state.Amplitude = db;
  state.BurstWindow = window;
  return state;
}

inline PanelState AtRate(int32_t rate, PanelState state) {
  state.SampleRate = rate;
  return state;
}

}  // namespace sondrel::testing_support
