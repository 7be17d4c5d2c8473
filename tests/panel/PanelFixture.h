#pragma once
// A main window with its slider window on the offscreen platform, a
// recording audio device and dialogs answered by the test.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <memory>

#include "panel/Application.h"
#include "panel/FreqPopup.h"
#include "panel/Generator.h"
#include "panel/PageControl.h"
#include "panel/UiEvents.h"
#include "panel/UpDown.h"
#include "platform/RecordingWaveOut.h"
#include "tests/panel/FakeDialogs.h"

namespace sondrel {

class PanelFixture : public ::testing::Test {
 protected:
  PanelFixture() {
    SetApplicationTitle(kStartupTitle);
    waveOut.deviceNames = {"Built-in Audio Analog Stereo", "USB Headset"};
    generator = std::make_unique<TGenerator>(waveOut);
    freqPopup = new TFreqPopup(*generator);
    generator->FreqPopup = freqPopup;
  }

  void ShowAndActivate() {
    generator->show();
    QApplication::setActiveWindow(generator.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(generator.get()));
  }

  Playback& engine() { return generator->Engine(); }

  // Switches a looping tone on and forgets the device calls so far.
  void StartLoopingTone() {
    generator->OnButtonClick();
    ASSERT_TRUE(engine().Playing);
    waveOut.calls.clear();
  }

  // How many times the tone was started since the calls were cleared.
  int Starts() const {
    int starts = 0;
    for (const auto& call : waveOut.calls) starts += call.operation == "Open";
    return starts;
  }

  FakeDialogs dialogs;
  RecordingWaveOut waveOut;
  std::unique_ptr<TGenerator> generator;
  TFreqPopup* freqPopup = nullptr;  // owned by the generator
};

}  // namespace sondrel
