#pragma once
// What the tone engine needs from the main window, and nothing more: the
// engine builds and is tested without any GUI toolkit.

#include <functional>
#include <string>

#include "engine/PanelState.h"

namespace sondrel {

class EngineWindow {
 public:
  virtual ~EngineWindow() = default;

  // The parameter controls' values at this moment.
  virtual PanelState ReadPanelState() = 0;
  // "ON" while idle, "OFF" while a tone is on.
  virtual void SetOnButtonCaption(const std::string& caption) = 0;
  // The device list is disabled while a tone plays.
  virtual void SetWaveDeviceEnabled(bool enabled) = 0;
  // Runs every pending window message; handlers may call back into the engine.
  virtual void ProcessMessages() = 0;
  virtual void Sleep(int milliseconds) = 0;
  // Sleeps up to `milliseconds`, or ends soon after done() holds, so that
  // a wait for a tone's end goes on once its last frame has played rather
  // than at the next poll. Windows that sleep for real override it.
  virtual void SleepUntil(int milliseconds, const std::function<bool()>& done) {
    (void)done;
    Sleep(milliseconds);
  }
  // True once the application has been asked to end.
  virtual bool ApplicationQuitting() = 0;
  // The pointer shows that the program is busy (a long synthesis) until the
  // matching false. Calls nest.
  virtual void ShowBusy(bool busy) { (void)busy; }
};

// Sleeps for real in steps of a few milliseconds until done() holds or the
// time is up: what a window's SleepUntil does.
void SleepInSteps(int milliseconds, const std::function<bool()>& done);

// The busy pointer for as long as the object lives, also when an error ends it.
class BusyPointer {
 public:
  explicit BusyPointer(EngineWindow& window) : window_(window) { window_.ShowBusy(true); }
  ~BusyPointer() { window_.ShowBusy(false); }
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;

 private:
  EngineWindow& window_;
};

}  // namespace sondrel
