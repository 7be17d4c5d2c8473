#include "app/SettingsForm.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "engine/AppError.h"
#include "engine/SpeakerLayout.h"
#include "panel/Application.h"
#include "panel/Generator.h"
#include "panel/UiEvents.h"

namespace sondrel {

namespace {
constexpr int kHelpContext = 2;
}

TSettingsForm::TSettingsForm(TGenerator& generator, std::string storePath)
    : QWidget(&generator, kToolWindowFlags),
      generator_(generator),
      storePath_(std::move(storePath)) {
  setObjectName("SettingsForm");
  setWindowTitle("Compatibility Settings");
  setFont(generator.font());
  setFixedSize(generator.Scaled(239), generator.Scaled(252));
  move(generator.Scaled(460), generator.Scaled(264));

  AlwaysStereo = new QCheckBox("Always generate stereo signal", this);
  AlwaysStereo->setObjectName("AlwaysStereo");
  AlwaysStereo->setGeometry(generator.Scaled(16), generator.Scaled(20), generator.Scaled(213), generator.Scaled(17));
  AlwaysStereo->setToolTip("Always generates separate left and right signals, nedded on some digital sound cards");
  Button1 = new QPushButton("OK", this);
  Button1->setObjectName("Button1");
  Button1->setGeometry(generator.Scaled(158), generator.Scaled(69), generator.Scaled(75), generator.Scaled(26));
  Button1->setToolTip("Save settings and close");
  LongBuffer = new QCheckBox("Use large buffer size", this);
  LongBuffer->setObjectName("LongBuffer");
  LongBuffer->setGeometry(generator.Scaled(16), generator.Scaled(44), generator.Scaled(177), generator.Scaled(18));
  LongBuffer->setToolTip("Uses large buffer; needed to function with some cheap sound cards");
  auto* rateLabel = new QLabel("Sample rate:", this);
  rateLabel->move(generator.Scaled(16), generator.Scaled(106));
  rateLabel->adjustSize();
  SampleRate = new QComboBox(this);
  SampleRate->setObjectName("SampleRate");
  SampleRate->setGeometry(generator.Scaled(16), generator.Scaled(124), generator.Scaled(213), generator.Scaled(24));
  for (const int32_t rate : kSampleRates) SampleRate->addItem(QString("%1 Hz").arg(rate), rate);
  SampleRate->addItem("The output device's rate", kDeviceRate);
  SampleRate->setToolTip("Frames per second of every signal. 44100 as always; the output device's own rate keeps "
                         "the sound server from resampling the signal");
  SampleRate->setAccessibleName("Sample rate");
  rateLabel->setBuddy(SampleRate);
  auto* speakersLabel = new QLabel("Speakers:", this);
  speakersLabel->move(generator.Scaled(16), generator.Scaled(154));
  speakersLabel->adjustSize();
  Speakers = new QComboBox(this);
  Speakers->setObjectName("Speakers");
  Speakers->setGeometry(generator.Scaled(16), generator.Scaled(172), generator.Scaled(213), generator.Scaled(24));
  for (const SpeakerLayout& layout : SpeakerLayouts()) {
    Speakers->addItem(layout.name, static_cast<uint32_t>(layout.id));
  }
  Speakers->addItem("The output device's layout", kDeviceLayout);
  Speakers->setToolTip("The speakers every signal is placed on. Stereo as always; in a surround layout the "
                       "speaker map chooses which of them play");
  Speakers->setAccessibleName("Speakers");
  speakersLabel->setBuddy(Speakers);
  auto* fadeLabel = new QLabel("Fade:", this);
  fadeLabel->move(generator.Scaled(16), generator.Scaled(202));
  fadeLabel->adjustSize();
  Fade = new QComboBox(this);
  Fade->setObjectName("Fade");
  Fade->setGeometry(generator.Scaled(16), generator.Scaled(220), generator.Scaled(213), generator.Scaled(24));
  for (const int32_t fade : kFadeChoicesMs) Fade->addItem(QString("%1 ms").arg(fade), fade);
  Fade->setToolTip("Every tone, sweep and noise fades in and out over this time, and so does a stop, so that "
                   "no click starts or ends it. 0 ms starts and stops on the sample");
  Fade->setAccessibleName("Fade");
  fadeLabel->setBuddy(Fade);
  setTabOrder(AlwaysStereo, Button1);
  setTabOrder(Button1, LongBuffer);
  setTabOrder(LongBuffer, SampleRate);
  setTabOrder(SampleRate, Speakers);
  setTabOrder(Speakers, Fade);

  connect(Button1, &QPushButton::clicked, this, [this] { Guard(this, [this] { Button1Click(); }); });
  InstallContextHelp(this, kHelpContext);
  CloseOnEscape(this);  // as its close box does: the options are not stored
  KeepOnScreen(this);

  generator.SettingsForm = this;
  generator.ReadStoredOptions = [this] { return Shown(); };
  Guard(&generator, [this] { FormCreate(); });
}

void TSettingsForm::FormCreate() {
  const StoredOptions options = LoadStoredOptions(storePath_);
  AlwaysStereo->setChecked(options.alwaysStereo);
  LongBuffer->setChecked(options.longBuffer);
  SampleRate->setCurrentIndex(std::max(0, SampleRate->findData(options.sampleRate)));
  const uint32_t speakers = options.speakersFollowDevice ? kDeviceLayout : static_cast<uint32_t>(options.speakers);
  Speakers->setCurrentIndex(std::max(0, Speakers->findData(speakers)));
  Fade->setCurrentIndex(std::max(0, Fade->findData(options.fadeMs)));
  generator_.FollowSpeakerLayout();
  if (!options.error.empty()) throw AppError(options.error);
}

int32_t TSettingsForm::ChosenSampleRate() const { return SampleRate->currentData().toInt(); }

StoredOptions TSettingsForm::Shown() const {
  StoredOptions shown{AlwaysStereo->isChecked(), LongBuffer->isChecked(), ChosenSampleRate(), {}};
  const uint32_t speakers = Speakers->currentData().toUInt();
  shown.speakersFollowDevice = speakers == kDeviceLayout;
  if (!shown.speakersFollowDevice) shown.speakers = static_cast<SpeakerLayoutId>(speakers);
  shown.fadeMs = Fade->currentData().toInt();
  return shown;
}

void TSettingsForm::Button1Click() {
  SaveStoredOptions(storePath_, Shown());  // an error keeps the window open
  close();
}

void TSettingsForm::closeEvent(QCloseEvent* event) {
  generator_.SetMainWindowEnabled(true);
  generator_.FollowSpeakerLayout();
  event->accept();  // hidden; the boxes keep their states for the rest of the run
}

}  // namespace sondrel
