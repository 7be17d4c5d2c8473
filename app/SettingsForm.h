#pragma once
// The compatibility settings window: two options for sound devices that need
// them, and below them the sample rate, the speaker layout and the fade. Its controls are the settings
// themselves: the engine reads them at every start of a tone. They are loaded
// from the per-user store when the window is created at start-up and stored
// only by OK.

#include <QWidget>
#include <string>

#include "settings/StoredOptions.h"

class QCheckBox;
class QComboBox;
class QPushButton;

namespace sondrel {

class TGenerator;

class TSettingsForm : public QWidget {
 public:
  TSettingsForm(TGenerator& generator, std::string storePath);

  QCheckBox* AlwaysStereo = nullptr;  // "Always generate stereo signal"
  QPushButton* Button1 = nullptr;     // "OK"
  QCheckBox* LongBuffer = nullptr;    // "Use large buffer size"
  QComboBox* SampleRate = nullptr;    // 44100 .. 96000 Hz, or "The output device's rate"
  QComboBox* Speakers = nullptr;      // Stereo .. 7.1, or "The output device's layout"
  QComboBox* Fade = nullptr;          // 0 .. 100 ms

  // The chosen rate in frames per second, or kDeviceRate.
  int32_t ChosenSampleRate() const;
  // The options as the boxes show them.
  StoredOptions Shown() const;

  void FormCreate();
  void Button1Click();

 protected:
  void closeEvent(QCloseEvent* event) override;  // FormClose

 private:

  TGenerator& generator_;
  std::string storePath_;
};

}  // namespace sondrel
