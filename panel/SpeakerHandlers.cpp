// The main window in a surround layout: the layout the stored options and
// the chosen device give, the speaker map's toggles in place of the Left and
// Right boxes, and the walk round the room.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QPushButton>

#include "engine/SpeakerWalk.h"
#include "panel/Generator.h"
#include "panel/SpeakerMap.h"
#include "panel/UiEvents.h"

namespace sondrel {

namespace {

// The walk as the window runs it: the map lights each speaker, and any key
// or click anywhere in the program stops it at once.
class WindowWalk : public QObject, public WalkHost {
 public:
  explicit WindowWalk(TGenerator& generator) : generator_(generator) { qApp->installEventFilter(this); }
  ~WindowWalk() override {
    qApp->removeEventFilter(this);
    generator_.SpeakerMap->Light(std::nullopt);
  }

  void Announce(Speaker speaker) override {
    generator_.SpeakerMap->Light(speaker);
    generator_.ProcessMessages();
  }
  std::optional<MonoClip> VoiceOf(Speaker speaker) override { return ThemeVoiceOf(speaker); }
  bool Wait(int milliseconds, const std::function<bool()>& done) override {
    generator_.SleepUntil(milliseconds, [&] {
      generator_.ProcessMessages();
      return stopped_ || generator_.ApplicationQuitting() || done();
    });
    return !stopped_ && !generator_.ApplicationQuitting();
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::MouseButtonPress || type == QEvent::ShortcutOverride) {
      stopped_ = true;
      return true;  // the key or click ends the walk and does nothing else
    }
    return false;
  }

 private:
  TGenerator& generator_;
  bool stopped_ = false;
};

}  // namespace

SignalOptions TGenerator::CurrentSignalOptions() {
  const StoredOptions options = ReadStoredOptions ? ReadStoredOptions() : StoredOptions();
  const int32_t device = WaveDevice->currentIndex();
  return options.ForSignals(options.FollowsDevice() ? waveOut_.GetDeviceRate(device) : 0,
                            options.speakersFollowDevice ? waveOut_.GetDevicePositions(device)
                                                         : std::vector<std::string>{});
}

void TGenerator::FollowSpeakerLayout() {
  if (engine_->Playing) return;  // a tone keeps its layout; the next start takes the new one
  const SpeakerLayoutId id = CurrentSignalOptions().speakers;
  if (id == SpeakerMap->Layout()) return;
  SpeakerMap->SetLayout(id);
  engine_->Speakers = id;
  const bool surround = LayoutOf(id).Surround();
  Lefttick->setVisible(!surround);
  RightTick->setVisible(!surround);
  SpeakersButton->setVisible(surround);
  SpeakerMap1->setVisible(surround);
  if (!surround) {
    SpeakerMap->hide();
    SpeakerMap1->setChecked(false);
  }
  UpdateChannelControls();
}

void TGenerator::UpdateChannelControls() {
  int32_t channels = 0;
  if (LayoutOf(engine_->Speakers).Surround()) {
    engine_->ChosenSpeakers = SpeakerMap->Chosen();
    for (int index = 0; index < kSpeakerCount; ++index) channels += (engine_->ChosenSpeakers >> index) & 1;
  } else {
    engine_->LeftGain = Lefttick->isChecked() ? 1 : 0;
    engine_->RightGain = RightTick->isChecked() ? 1 : 0;
    channels = engine_->LeftGain + engine_->RightGain;
  }
  OnButton->setEnabled(channels != 0);
  OnOff1->setEnabled(channels != 0);
  if (channels < 2) SetChecked(InPhaseTick, true);  // one channel has no phase to speak of
  InPhaseTick->setEnabled(channels >= 2);
  engine_->PhaseSign = InPhaseTick->isChecked() ? 1 : -1;
  if (channels == 0) engine_->StopTone();
  UpdateSoundNote();
}

// The map's toggles act as the Left and Right boxes do.
void TGenerator::SpeakersClick() { LefttickClick(); }

// Qt has ticked or cleared the item already.
void TGenerator::SpeakerMap1Click() {
  SpeakerMap->setVisible(SpeakerMap1->isChecked());
  if (SpeakerMap->isVisible()) {
    SpeakerMap->raise();
    SpeakerMap->activateWindow();
  }
}

void TGenerator::WalkClick() {
  if (walking_ || !LayoutOf(engine_->Speakers).Surround()) return;
  engine_->StopTone();
  walking_ = true;
  struct Walking {
    bool& flag;
    ~Walking() { flag = false; }
  } walking{walking_};
  WindowWalk host(*this);
  SpeakerWalk(*engine_, waveOut_, host).Run(WaveDevice->currentIndex());
}

}  // namespace sondrel
