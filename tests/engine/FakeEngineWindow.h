#pragma once
// The engine's view of the window, for tests: the panel is a plain struct,
// captions and enable states are recorded, and a test can run its own code
// where the real window would process messages.

#include <functional>
#include <string>
#include <vector>

#include "engine/EngineWindow.h"

namespace sondrel {

class FakeEngineWindow : public EngineWindow {
 public:
  PanelState panel;
  std::string caption = "ON";
  bool waveDeviceEnabled = true;
  bool quitting = false;
  std::vector<int> sleeps;                 // every sleep, in milliseconds
  int messagePasses = 0;                   // how often messages were processed
  std::function<void(int pass)> onMessages;  // runs "handlers" inside a wait

  PanelState ReadPanelState() override { return panel; }
  void SetOnButtonCaption(const std::string& text) override { caption = text; }
  void SetWaveDeviceEnabled(bool enabled) override { waveDeviceEnabled = enabled; }
  void ProcessMessages() override {
    ++messagePasses;
    if (onMessages) onMessages(messagePasses);
  }
  void Sleep(int milliseconds) override { sleeps.push_back(milliseconds); }
  // A real window ends such a sleep once done() holds: recorded as it stands
  // when the sleep begins.
  void SleepUntil(int milliseconds, const std::function<bool()>& done) override {
    doneAtSleep.push_back(done());
    Sleep(milliseconds);
  }
  bool ApplicationQuitting() override { return quitting; }
  void ShowBusy(bool busy) override { busyChanges.push_back(busy); }
  std::vector<bool> busyChanges;  // every change of the pointer, in order
  std::vector<bool> doneAtSleep;  // every SleepUntil's condition as it began
};

}  // namespace sondrel
