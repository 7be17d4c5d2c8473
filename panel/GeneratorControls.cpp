// The main window's controls: where each lies on its page or over all of
// them, what it says to a tooltip and a screen reader, the Tab order, and
// the handlers each edit, click and tick runs.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointF>
#include <QPushButton>
#include <vector>

#include "panel/ByteText.h"
#include "panel/FieldLimits.h"
#include "panel/Generator.h"
#include "panel/PageControl.h"
#include "panel/UiEvents.h"
#include "panel/UpDown.h"
#include "engine/NumberText.h"
#include "engine/tones/Dtmf.h"
#include "engine/tones/MultiTone.h"
#include "engine/tones/ToneBurst.h"

namespace sondrel {

namespace {

constexpr int kClientWidth = 357;  // design pixels
// Tall enough to show the memory buttons below the sweep's controls, so that
// they and their pop-up menus (store, rename) can be reached.
constexpr int kClientHeight = 236;
// Where a page's client area starts inside the window's client area.
constexpr int kPageLeft = 2;
constexpr int kPageTop = 24;

// Makes controls at design-pixel places, named as the window names them.
class ControlPlacer {
 public:
  explicit ControlPlacer(const TGenerator& window) : window_(window) {}

  void Place(QWidget* widget, const char* name, int left, int top, int width, int height) const {
    widget->setObjectName(name);
    widget->setGeometry(window_.Scaled(left), window_.Scaled(top), window_.Scaled(width), window_.Scaled(height));
  }
  QLineEdit* Edit(QWidget* parent, const char* name, const QString& text, int left, int top, int width) const {
    auto* box = new QLineEdit(text, parent);
    Place(box, name, left, top, width, 24);
    return box;
  }
  QPushButton* Button(QWidget* parent, const char* name, const QString& caption, int left, int top, int width,
                      int height) const {
    auto* push = new QPushButton(caption, parent);
    push->setAutoDefault(true);  // Enter presses a focused button itself
    Place(push, name, left, top, width, height);
    return push;
  }
  QCheckBox* Check(QWidget* parent, const char* name, const QString& caption, int left, int top, int width,
                   int height) const {
    auto* box = new QCheckBox(caption, parent);
    box->setChecked(true);
    Place(box, name, left, top, width, height);
    return box;
  }
  UpDown* Spinner(QWidget* parent, const char* name, QLineEdit* associate, int minimum, int maximum, int increment,
                  int left, int top) const {
    auto* upDown = new UpDown(parent, associate, minimum, maximum, increment, associate->text().toInt());
    Place(upDown, name, left, top, 19, 24);
    return upDown;
  }

 private:
  const TGenerator& window_;
};

}  // namespace

QLabel* TGenerator::AddLabel(QWidget* parent, const QString& text, int left, int top) {
  auto* label = new QLabel(text, parent);
  label->move(Scaled(left), Scaled(top));
  label->adjustSize();
  return label;
}

void TGenerator::CreateControls() {
  auto* client = new QWidget(this);
  client->setFixedSize(Scaled(kClientWidth), Scaled(kClientHeight));
  setCentralWidget(client);

  SignalType = new PageControl(client, {Scaled(kPageLeft), Scaled(kPageTop)}, Scaled(kPageTop));
  SignalType->setObjectName("SignalType");
  SignalType->setGeometry(0, 0, Scaled(kClientWidth), Scaled(kClientHeight));
  Constant = SignalType->AddPage("Constant", "Constant Tone");
  Sweep = SignalType->AddPage("Sweep", "Sweep");
  Noise = SignalType->AddPage("Noise", "Noise");
  MultiTone = SignalType->AddPage("MultiTone", "Multi-tone");
  Burst = SignalType->AddPage("Burst", "Burst");
  Dtmf = SignalType->AddPage("Dtmf", "DTMF");

  CreateConstantPage();
  CreateSweepPage();
  CreateNoisePage();
  CreateMultiTonePage();
  CreateBurstPage();
  CreateDtmfPage();
  CreateSharedControls(client);
  DescribeControls();
  SetControlsTabOrder();
  ConnectControls();
  ShowToneLevels();
  ShowBurstPreset();
}

void TGenerator::CreateConstantPage() {
  const ControlPlacer make(*this);
  fEdit = make.Edit(Constant, "fEdit", "1000", 16, 30, 60);
  UpDown2 = make.Spinner(Constant, "UpDown2", fEdit, kFrequencyFloorHz, kConstantSpinnerCeilingHz, kFrequencyStepHz,
                         76, 30);
  Button2 = make.Button(Constant, "Button2", "Semi tone up", 121, 14, 104, 25);
  Button1 = make.Button(Constant, "Button1", "Semi tone down", 121, 44, 104, 24);
  AddLabel(Constant, "Frequency:", 18, 10);
  AddLabel(Constant, "Hz", 98, 34);
}

void TGenerator::CreateSweepPage() {
  const ControlPlacer make(*this);
  fInit = make.Edit(Sweep, "fInit", "100", 16, 30, 60);
  UpDown3 = make.Spinner(Sweep, "UpDown3", fInit, kFrequencyFloorHz, kSweepCeilingHz, kFrequencyStepHz, 76, 30);
  fFinal = make.Edit(Sweep, "fFinal", "10000", 128, 30, 60);
  UpDown4 = make.Spinner(Sweep, "UpDown4", fFinal, kFrequencyFloorHz, kSweepCeilingHz, kFrequencyStepHz, 188, 30);
  Logarithmic = make.Check(Sweep, "Logarithmic", "Log Sweep", 128, 60, 97, 18);
  Logarithmic->setChecked(false);
  AddLabel(Sweep, "Initial Frequency:", 15, 10);
  AddLabel(Sweep, "Final Frequency:", 128, 10);
  AddLabel(Sweep, "Hz", 98, 34);
  AddLabel(Sweep, "Hz", 207, 34);
  const char* buttonNames[] = {"Mem1", "Mem2", "Memory3", "Memory4"};
  const char* editNames[] = {"Mem1Edit", "Mem2Edit", "Mem3Edit", "Mem4Edit"};
  for (int slot = 1; slot <= MemoryBank::kSlots; ++slot) {
    MemorySlot& memory = Slot(slot);
    const int left = 16 + 80 * (slot - 1);
    memory.button = make.Button(Sweep, buttonNames[slot - 1], QString("Memory %1").arg(slot), left, 180, 74, 26);
    memory.button->setToolTip(kMemoryButtonHint);
    memory.button->setContextMenuPolicy(Qt::CustomContextMenu);
    memory.renameEdit = make.Edit(Sweep, editNames[slot - 1], "", left + 4, 184, 65);
    memory.renameEdit->resize(Scaled(65), Scaled(17));
    memory.renameEdit->setFrame(false);
    memory.renameEdit->setBackgroundRole(QPalette::Button);
    memory.renameEdit->hide();
    memory.renameEdit->setEnabled(false);
  }
}

void TGenerator::CreateNoisePage() {
  // The colour list lies where the other pages show the wave form list,
  // which noise has no use for.
  NoiseColour = new QComboBox(Noise);
  NoiseColour->addItems({"White", "Pink", "Brown"});
  // The level-setting bands after the colours, so that the colours keep
  // their numbers; each item carries its band.
  NoiseColour->addItem("Pink, speaker level (500 Hz-2 kHz)", QPointF(kSpeakerLevelBand.low, kSpeakerLevelBand.high));
  NoiseColour->addItem("Pink, subwoofer level (30-80 Hz)",
                       QPointF(kSubwooferLevelBand.low, kSubwooferLevelBand.high));
  ControlPlacer(*this).Place(NoiseColour, "NoiseColour", 136, 143, 100, 24);
  AddLabel(Noise, "Colour:", 135, 122);
  // The band of a level-setting entry, whole, in the page's free top rows:
  // the list is too narrow to show it.
  NoiseBandLabel = AddLabel(Noise, "", 18, 32);
  NoiseBandLabel->setObjectName("NoiseBandLabel");
  NoiseBandLabel->setWordWrap(true);
  NoiseBandLabel->setFixedWidth(Scaled(210));
  // Above the band, in the row where the other pages name their numbers.
  NoiseIndependent = ControlPlacer(*this).Check(Noise, "NoiseIndependent", "Independent channels", 16, 8, 210, 18);
  NoiseIndependent->setChecked(false);  // both channels alike, as noise always was
}

// The list lies where the constant tone's frequency does, wide enough for
// a few tones; the standard lists where the others show the wave form, and
// the tones' levels under the list, where the device's label stands on the
// other pages (the list of devices names itself).
void TGenerator::CreateMultiTonePage() {
  const ControlPlacer make(*this);
  ToneList = make.Edit(MultiTone, "ToneList", "60:4,7000:1", 16, 30, 209);
  AddLabel(MultiTone, "Frequencies (Hz:weight, ...):", 18, 10);
  ToneListPreset = new QComboBox(MultiTone);
  for (const sondrel::ToneListPreset& preset : kToneListPresets) ToneListPreset->addItem(preset.name, QString(preset.list));
  make.Place(ToneListPreset, "ToneListPreset", 136, 143, 100, 24);
  AddLabel(MultiTone, "Standard:", 135, 122);
  ToneLevelsLabel = AddLabel(MultiTone, "", 18, 58);
  ToneLevelsLabel->setObjectName("ToneLevelsLabel");
  ToneLevelsLabel->setWordWrap(true);
  ToneLevelsLabel->setFixedWidth(Scaled(210));
}

// The three numbers in the top row, the CEA-2010 bursts below them where
// the device's label stands on the other pages, the window where they show
// the wave form.
void TGenerator::CreateBurstPage() {
  const ControlPlacer make(*this);
  BurstFrequency = make.Edit(Burst, "BurstFrequency", "50", 16, 30, 50);
  AddLabel(Burst, "Frequency:", 18, 10);
  AddLabel(Burst, "Hz", 70, 34);
  BurstCycles = make.Edit(Burst, "BurstCycles", QString::fromStdString(DecimalText(kCeaBurstCycles)), 92, 30, 40);
  AddLabel(Burst, "Cycles:", 94, 10);
  BurstPeriod = make.Edit(Burst, "BurstPeriod", "1", 148, 30, 40);
  AddLabel(Burst, "Every:", 150, 10);
  AddLabel(Burst, "s", 192, 34);
  BurstPreset = new QComboBox(Burst);
  for (const double frequency : kCeaBurstFrequencies) {
    BurstPreset->addItem(QString("CEA-2010 burst, %1 Hz").arg(QString::fromStdString(DecimalText(frequency))),
                         frequency);
  }
  BurstPreset->setPlaceholderText("Standard bursts");
  make.Place(BurstPreset, "BurstPreset", 16, 58, 209, 24);
  BurstWindow = new QComboBox(Burst);
  BurstWindow->addItems({"Hann", "Rectangular"});
  make.Place(BurstWindow, "BurstWindow", 136, 143, 100, 24);
  AddLabel(Burst, "Window:", 135, 122);
}

// The keys where the multi-tone's list lies, the tone and gap lengths where
// the others show the duration, which the keys decide here.
void TGenerator::CreateDtmfPage() {
  const ControlPlacer make(*this);
  DtmfDigits = make.Edit(Dtmf, "DtmfDigits", "123", 16, 30, 140);
  AddLabel(Dtmf, "Digits (0-9 * # A-D):", 18, 10);
  DtmfToneMs = make.Edit(Dtmf, "DtmfToneMs", kDefaultDtmfToneMs, 168, 30, 36);
  AddLabel(Dtmf, "Tone:", 170, 10);
  AddLabel(Dtmf, "ms", 206, 34);
  DtmfGapMs = make.Edit(Dtmf, "DtmfGapMs", kDefaultDtmfGapMs, 230, 30, 36);
  AddLabel(Dtmf, "Gap:", 232, 10);
  AddLabel(Dtmf, "ms", 268, 34);
}

void TGenerator::CreateSharedControls(QWidget* client) {
  // Each page carries its own labels for the shared controls.
  for (QWidget* page : {Constant, Sweep, Noise, MultiTone, Burst, Dtmf}) {
    if (page != MultiTone && page != Burst) AddLabel(page, "Wave Device:", 18, 70);
    AddLabel(page, "Amplitude:", 18, 122);
    AddLabel(page, "dB", 100, 143);
    if (page == Constant || page == Sweep) AddLabel(page, "Wave Form:", 135, 122);
    if (page == Dtmf) continue;
    AddLabel(page, "Duration:", 238, 10);
    AddLabel(page, "s", 290, 34);
  }

  // The controls themselves lie over all pages, in the window's client area.
  const ControlPlacer make(*this);
  WaveDevice = new QComboBox(client);
  make.Place(WaveDevice, "WaveDevice", 20, 118, 205, 24);
  Amplitude = make.Edit(client, "Amplitude", "0", 20, 167, 60);
  UpDown1 = make.Spinner(client, "UpDown1", Amplitude, kAmplitudeFloorDb, kAmplitudeCeilingDb, 1, 80, 167);
  WaveForm = new QComboBox(client);
  WaveForm->addItems({"Sine", "Square", "Triangular"});
  make.Place(WaveForm, "WaveForm", 138, 167, 100, 24);
  Duration = make.Edit(client, "Duration", "1", 240, 58, 46);
  OnButton = make.Button(client, "OnButton", "ON", 260, 167, 74, 26);
  OnButton->setDefault(true);
  OnButton->setCursor(Qt::PointingHandCursor);
  Loop = make.Check(client, "Loop", "Loop", 240, 89, 60, 17);
  Lefttick = make.Check(client, "Lefttick", "Left", 240, 116, 49, 17);
  RightTick = make.Check(client, "RightTick", "Right", 289, 116, 53, 17);
  InPhaseTick = make.Check(client, "InPhaseTick", "L/R in Phase", 240, 137, 101, 17);
  SpeakersButton = make.Button(client, "SpeakersButton", "Speakers...", 240, 111, 102, 24);
  SpeakersButton->setToolTip("Shows the speaker map: the speakers that play");
  SpeakersButton->setAutoDefault(false);
  SpeakersButton->hide();  // in a surround layout it takes the Left and Right boxes' place
  for (QWidget* shared : std::initializer_list<QWidget*>{WaveDevice, Amplitude, UpDown1, WaveForm, Duration,
                                                         OnButton, Loop, Lefttick, RightTick, InPhaseTick,
                                                         SpeakersButton}) {
    shared->raise();
  }
}

void TGenerator::DescribeControls() {
  fEdit->setToolTip("Set the Signal Frequency here");
  UpDown2->setToolTip("Change the Frequency in 100Hz Steps");
  Button2->setToolTip("Increase the Frequency by 1 semi tone (to nearest Hz)");
  Button1->setToolTip("Decrease the Frequency by 1 semi tone (to nearest Hz)");
  fInit->setToolTip("Set the Sweep Start Frequency here");
  UpDown3->setToolTip("Change the Frequency in 100Hz Steps");
  fFinal->setToolTip("Set the Sweep Start Frequency here");
  UpDown4->setToolTip("Change the Frequency in 100Hz Steps");
  WaveDevice->setToolTip("If you have more than one sound card, select your output device here");
  Amplitude->setToolTip("Sets the Amplitude of the generated Signal");
  UpDown1->setToolTip("Change the Amplitude by 1dB");
  WaveForm->setToolTip("Choose the Waveform of the Signal here");
  Duration->setToolTip("Sweep Duration");
  OnButton->setToolTip("ON/OFF Switch");
  Loop->setToolTip("Switches the Sweep Loop On or Off");
  Logarithmic->setToolTip("Sweep with equal time per octave");
  NoiseColour->setToolTip("Choose the colour of the noise: white, pink (equal power per octave) or brown, "
                          "or pink in a band for setting speaker or subwoofer levels with a sound level meter");
  ToneList->setToolTip("The tones' frequencies in Hz, joined by commas, each with an optional weight after a colon "
                       "(60:4,7000:1); the Amplitude is the peak of them all together");
  ToneListPreset->setToolTip("Choose a standard intermodulation signal");
  BurstFrequency->setToolTip("The frequency of the tone in each burst, in Hz");
  BurstCycles->setToolTip("How many cycles of the tone each burst holds, 0.5 to 100");
  BurstPeriod->setToolTip("Seconds from the start of one burst to the start of the next");
  BurstWindow->setToolTip("Hann: each burst fades in and out smoothly; Rectangular: it starts and stops at once");
  NoiseIndependent->setToolTip("Each channel, or each speaker, plays a noise of its own: the same spectrum and level, "
                               "no correlation. Off, every channel plays the same noise (for polarity and centre-image "
                               "checks)");
  DtmfDigits->setToolTip("The telephone keys to play, in order: 0-9, *, #, A-D (up to 32); each sounds its "
                         "row and column tones together and fades in and out over 4 ms");
  DtmfToneMs->setToolTip("How long each key sounds, 10 to 2000 ms");
  DtmfGapMs->setToolTip("The silence after each key, 0 to 2000 ms");
  BurstPreset->setToolTip("Choose a burst of the CEA-2010 subwoofer test: 6.5 cycles in a Hann window, once a second");

  // What a screen reader speaks for each control without a caption of its
  // own: the label beside it.
  const std::pair<QWidget*, const char*> spoken[] = {
      {SignalType->Tabs(), "Signal type"}, {fEdit, "Frequency"},   {UpDown2, "Frequency"},
      {fInit, "Initial Frequency"},        {UpDown3, "Initial Frequency"},
      {fFinal, "Final Frequency"},         {UpDown4, "Final Frequency"},
      {WaveDevice, "Wave Device"},         {Amplitude, "Amplitude"}, {UpDown1, "Amplitude"},
      {WaveForm, "Wave Form"},             {Duration, "Duration"},   {NoiseColour, "Colour"},
      {ToneList, "Frequencies"},           {ToneListPreset, "Standard"},
      {BurstFrequency, "Burst frequency"}, {BurstCycles, "Cycles"},   {BurstPeriod, "Every"},
      {BurstWindow, "Window"},             {BurstPreset, "Standard burst"},
      {DtmfDigits, "DTMF digits"},         {DtmfToneMs, "Tone length"}, {DtmfGapMs, "Gap length"}};
  for (const auto& [control, name] : spoken) control->setAccessibleName(name);
  for (QLineEdit* box : findChildren<QLineEdit*>()) AllowAnyLength(box);
  for (int slot = 1; slot <= MemoryBank::kSlots; ++slot) {
    Slot(slot).renameEdit->setAccessibleName(QString("Memory %1 name").arg(slot));
  }
}

void TGenerator::SetControlsTabOrder() {
  // The page control, the active page's controls, then the shared ones.
  std::vector<QWidget*> order = {SignalType->Tabs(), fEdit, Button1, Button2, fInit, fFinal};
  for (const MemorySlot& memory : MemorySlots) order.push_back(memory.button);
  order.push_back(Logarithmic);
  for (const MemorySlot& memory : MemorySlots) order.push_back(memory.renameEdit);
  order.insert(order.end(), {NoiseColour, NoiseIndependent, ToneList, ToneListPreset, BurstFrequency, BurstCycles, BurstPeriod,
                             BurstPreset, BurstWindow, DtmfDigits, DtmfToneMs, DtmfGapMs, WaveDevice, Amplitude, WaveForm, Duration, OnButton, Loop, Lefttick,
                             InPhaseTick, RightTick});
  for (size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
  setTabOrder(RightTick, SpeakersButton);
}

void TGenerator::ConnectControls() {
  auto changed = [this](QLineEdit* box) {
    connect(box, &QLineEdit::textChanged, this, [this] { Guard(this, [this] { fEditChange(); }); });
  };
  for (QLineEdit* box : {fEdit, fInit, fFinal, Amplitude, Duration, ToneList, BurstFrequency, BurstCycles, BurstPeriod,
                         DtmfDigits, DtmfToneMs, DtmfGapMs}) {
    changed(box);
  }
  for (QLineEdit* box : {BurstFrequency, BurstCycles, BurstPeriod}) {
    connect(box, &QLineEdit::textChanged, this, [this] { ShowBurstPreset(); });
  }
  connect(BurstPreset, &QComboBox::activated, this, [this] { Guard(this, [this] { ApplyBurstPreset(); }); });
  connect(NoiseColour, &QComboBox::currentIndexChanged, this, [this] { ShowNoiseBand(); });
  for (QLineEdit* box : {ToneList, Amplitude}) connect(box, &QLineEdit::textChanged, this, [this] { ShowToneLevels(); });
  connect(ToneListPreset, &QComboBox::activated, this,
          [this] { SetBytes(ToneList, ToneListPreset->currentData().toString().toStdString()); });
  connect(BurstWindow, &QComboBox::currentIndexChanged, this, [this] { ShowBurstPreset(); });
  for (QComboBox* list : {WaveForm, WaveDevice, NoiseColour, BurstWindow}) {
    connect(list, &QComboBox::activated, this, [this] { Guard(this, [this] { fEditChange(); }); });
  }
  (new EditBoxEvents(fEdit, this))->onExit = [this] { fEditExit(); };
  for (QLineEdit* box : {fInit, fFinal}) {
    auto* events = new EditBoxEvents(box, this);
    events->onExit = [this] { fEditChange(); };
    events->onClick = [this] { fInitClick(); };
  }
  auto* amplitudeEvents = new EditBoxEvents(Amplitude, this);
  amplitudeEvents->onExit = [this] { AmplitudeExit(); };
  amplitudeEvents->onClick = [this] { fInitClick(); };
  (new EditBoxEvents(Duration, this))->onClick = [this] { fInitClick(); };
  UpDown1->onChanging = [this](bool& allowChange) { UpDown1Changing(allowChange); };
  for (QPushButton* semitone : {Button1, Button2}) {
    connect(semitone, &QPushButton::clicked, this,
            [this, semitone] { Guard(this, [this, semitone] { Button2Click(semitone); }); });
  }
  connect(OnButton, &QPushButton::clicked, this, [this] { Guard(this, [this] { OnButtonClick(); }); });
  OnCheckBoxClick(Lefttick, this, [this] { LefttickClick(); });
  OnCheckBoxClick(RightTick, this, [this] { LefttickClick(); });
  OnCheckBoxClick(InPhaseTick, this, [this] { InPhaseTickClick(); });
  connect(SpeakersButton, &QPushButton::clicked, this, [this] {
    SpeakerMap1->setChecked(true);
    Guard(this, [this] { SpeakerMap1Click(); });
  });
  // Ticked or cleared by the user, the box retunes a playing sweep as any
  // other edit does; set by a memory or a script, it waits for the next start.
  for (QCheckBox* box : {Logarithmic, NoiseIndependent}) {
    connect(box, &QCheckBox::clicked, this, [this] { Guard(this, [this] { fEditChange(); }); });
  }
  SignalType->onPageChanged = [this] { ShowPageControls(); };
}

}  // namespace sondrel
