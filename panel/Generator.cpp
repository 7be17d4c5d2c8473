#include "panel/Generator.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <algorithm>

#include "engine/Synthesis.h"
#include "panel/Application.h"
#include "panel/ByteText.h"
#include "panel/ComboBoxAccessible.h"
#include "panel/FieldLimits.h"
#include "panel/FreqPopup.h"
#include "panel/PageControl.h"
#include "panel/SpeakerMap.h"
#include "panel/UiEvents.h"
#include "panel/UpDown.h"
#include "platform/WaveOut.h"

namespace sondrel {

namespace {
constexpr int kDesignPixelsPerInch = 120;
constexpr int kClientWidth = 357;  // design pixels
// Tall enough to show the memory buttons below the sweep's controls, so that
// they and their pop-up menus (store, rename) can be reached.
constexpr int kClientHeight = 236;
// Where a page's client area starts inside the window's client area.
constexpr int kPageLeft = 2;
constexpr int kPageTop = 24;
// How often the device list is compared with the sound system's while idle,
// and a looping tone's device checked while it plays.
constexpr int kDeviceWatchMs = 500;
}  // namespace

const FileDialogSpec TGenerator::OpenDialog1{"kvp", "", "Sondrel Presets|*.kvp"};
const FileDialogSpec TGenerator::SaveDialog2{"kvp", "", "Kelvo presets|*.kvp", true};
const FileDialogSpec TGenerator::OpenDialog2{"", "", "Kelvo Script|*.kvs|All Files|*.*"};
const FileDialogSpec TGenerator::SaveDialog1{"pcm", "signal.pcm", "PCM-Data|*.pcm|WAV audio|*.wav", true};

TGenerator::TGenerator(WaveOut& waveOut, std::function<void()> registerFileTypes)
    : engine_(std::make_unique<Playback>(waveOut, *this)),
      waveOut_(waveOut),
      registerFileTypes_(std::move(registerFileTypes)) {
  setObjectName("Generator");
  ComboBoxAccessible::Install();  // the lists are announced by their labels
  QFont designFont = font();
  designFont.setPointSizeF(8);
  setFont(designFont);
  scale_ = DesignScale();
  setWindowTitle("Sondrel ");
  CreateControls();
  CreateMenus();
  CreatePopupMenus();
  ConnectMemorySlots();
  SpeakerMap = new TSpeakerMap(*this);
  layout()->setSizeConstraint(QLayout::SetFixedSize);  // a fixed border: not resizable
  Guard(this, [this] { FormCreate(); });

  auto* deviceWatch = new QTimer(this);
  connect(deviceWatch, &QTimer::timeout, this, &TGenerator::WatchDevices);
  deviceWatch->start(kDeviceWatchMs);
}

TGenerator::~TGenerator() = default;

double TGenerator::DesignScale() const {
  // The layout was designed at 120 pixels per inch for a narrow font. Wider
  // desktop fonts scale it up a little further, so that no caption is cut.
  double scale = logicalDpiY() / static_cast<double>(kDesignPixelsPerInch);
  const QFontMetrics metrics(font());
  struct Caption {
    const char* text;
    int room;  // design pixels available to the text
  };
  for (const Caption& caption : {Caption{"Semi tone down", 104 - 12}, Caption{"L/R in Phase", 101 - 22},
                                 Caption{"Right", 53 - 22}, Caption{"Initial Frequency:", 128 - 15 - 4}}) {
    scale = std::max(scale, metrics.horizontalAdvance(caption.text) / static_cast<double>(caption.room));
  }
  return scale;
}

int TGenerator::Scaled(int designPixels) const {
  return static_cast<int>(designPixels * scale_ + (designPixels >= 0 ? 0.5 : -0.5));
}

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

  auto place = [this](QWidget* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(name);
    widget->setGeometry(Scaled(left), Scaled(top), Scaled(width), Scaled(height));
  };
  auto edit = [&](QWidget* parent, const char* name, const QString& text, int left, int top, int width) {
    auto* box = new QLineEdit(text, parent);
    place(box, name, left, top, width, 24);
    return box;
  };
  auto button = [&](QWidget* parent, const char* name, const QString& caption, int left, int top, int width,
                    int height) {
    auto* push = new QPushButton(caption, parent);
    push->setAutoDefault(true);  // Enter presses a focused button itself
    place(push, name, left, top, width, height);
    return push;
  };
  auto check = [&](QWidget* parent, const char* name, const QString& caption, int left, int top, int width,
                   int height) {
    auto* box = new QCheckBox(caption, parent);
    box->setChecked(true);
    place(box, name, left, top, width, height);
    return box;
  };
  auto spinner = [&](QWidget* parent, const char* name, QLineEdit* associate, int minimum, int maximum,
                     int increment, int left, int top) {
    auto* upDown = new UpDown(parent, associate, minimum, maximum, increment, associate->text().toInt());
    place(upDown, name, left, top, 19, 24);
    return upDown;
  };

  // The Constant page.
  fEdit = edit(Constant, "fEdit", "1000", 16, 30, 60);
  UpDown2 = spinner(Constant, "UpDown2", fEdit, kFrequencyFloorHz, kConstantSpinnerCeilingHz, kFrequencyStepHz, 76, 30);
  Button2 = button(Constant, "Button2", "Semi tone up", 121, 14, 104, 25);
  Button1 = button(Constant, "Button1", "Semi tone down", 121, 44, 104, 24);
  AddLabel(Constant, "Frequency:", 18, 10);
  AddLabel(Constant, "Hz", 98, 34);

  // The Sweep page.
  fInit = edit(Sweep, "fInit", "100", 16, 30, 60);
  UpDown3 = spinner(Sweep, "UpDown3", fInit, kFrequencyFloorHz, kSweepCeilingHz, kFrequencyStepHz, 76, 30);
  fFinal = edit(Sweep, "fFinal", "10000", 128, 30, 60);
  UpDown4 = spinner(Sweep, "UpDown4", fFinal, kFrequencyFloorHz, kSweepCeilingHz, kFrequencyStepHz, 188, 30);
  Logarithmic = check(Sweep, "Logarithmic", "Log Sweep", 128, 60, 97, 18);
  Logarithmic->setChecked(false);
  AddLabel(Sweep, "Initial Frequency:", 15, 10);
  AddLabel(Sweep, "Final Frequency:", 128, 10);
  AddLabel(Sweep, "Hz", 98, 34);
  AddLabel(Sweep, "Hz", 207, 34);
  const char* memoryNames[] = {"Mem1", "Mem2", "Memory3", "Memory4"};
  const char* editNames[] = {"Mem1Edit", "Mem2Edit", "Mem3Edit", "Mem4Edit"};
  QPushButton** memoryButtons[] = {&Mem1, &Mem2, &Memory3, &Memory4};
  QLineEdit** memoryEdits[] = {&Mem1Edit, &Mem2Edit, &Mem3Edit, &Mem4Edit};
  for (int slot = 0; slot < 4; ++slot) {
    QPushButton* memory =
        button(Sweep, memoryNames[slot], QString("Memory %1").arg(slot + 1), 16 + 80 * slot, 180, 74, 26);
    memory->setToolTip(kMemoryButtonHint);
    memory->setContextMenuPolicy(Qt::CustomContextMenu);
    *memoryButtons[slot] = memory;
    QLineEdit* rename = edit(Sweep, editNames[slot], "", 20 + 80 * slot, 184, 65);
    rename->resize(Scaled(65), Scaled(17));
    rename->setFrame(false);
    rename->setBackgroundRole(QPalette::Button);
    rename->hide();
    rename->setEnabled(false);
    *memoryEdits[slot] = rename;
  }

  // The Noise page: its colour list lies where the other pages show the
  // wave form list, which noise has no use for.
  NoiseColour = new QComboBox(Noise);
  NoiseColour->addItems({"White", "Pink", "Brown"});
  place(NoiseColour, "NoiseColour", 136, 143, 100, 24);
  AddLabel(Noise, "Colour:", 135, 122);

  // Each page carries its own labels for the shared controls.
  for (QWidget* page : {Constant, Sweep, Noise}) {
    AddLabel(page, "Wave Device:", 18, 70);
    AddLabel(page, "Amplitude:", 18, 122);
    AddLabel(page, "dB", 100, 143);
    if (page != Noise) AddLabel(page, "Wave Form:", 135, 122);
    AddLabel(page, "Duration:", 238, 10);
    AddLabel(page, "s", 290, 34);
  }

  // Shared controls lie over both pages, placed in the window's client area.
  WaveDevice = new QComboBox(client);
  place(WaveDevice, "WaveDevice", 20, 118, 205, 24);
  Amplitude = edit(client, "Amplitude", "0", 20, 167, 60);
  UpDown1 = spinner(client, "UpDown1", Amplitude, kAmplitudeFloorDb, kAmplitudeCeilingDb, 1, 80, 167);
  WaveForm = new QComboBox(client);
  WaveForm->addItems({"Sine", "Square", "Triangular"});
  place(WaveForm, "WaveForm", 138, 167, 100, 24);
  Duration = edit(client, "Duration", "1", 240, 58, 46);
  OnButton = button(client, "OnButton", "ON", 260, 167, 74, 26);
  OnButton->setDefault(true);
  OnButton->setCursor(Qt::PointingHandCursor);
  Loop = check(client, "Loop", "Loop", 240, 89, 60, 17);
  Lefttick = check(client, "Lefttick", "Left", 240, 116, 49, 17);
  RightTick = check(client, "RightTick", "Right", 289, 116, 53, 17);
  InPhaseTick = check(client, "InPhaseTick", "L/R in Phase", 240, 137, 101, 17);
  SpeakersButton = button(client, "SpeakersButton", "Speakers...", 240, 111, 102, 24);
  SpeakersButton->setToolTip("Shows the speaker map: the speakers that play");
  SpeakersButton->setAutoDefault(false);
  SpeakersButton->hide();  // in a surround layout it takes the Left and Right boxes' place
  for (QWidget* shared : std::initializer_list<QWidget*>{WaveDevice, Amplitude, UpDown1, WaveForm, Duration,
                                                         OnButton, Loop, Lefttick, RightTick, InPhaseTick,
                                                         SpeakersButton}) {
    shared->raise();
  }

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
  NoiseColour->setToolTip("Choose the colour of the noise: white, pink (equal power per octave) or brown");

  // What a screen reader speaks for each control without a caption of its
  // own: the label beside it.
  const std::pair<QWidget*, const char*> spoken[] = {
      {SignalType->Tabs(), "Signal type"}, {fEdit, "Frequency"},   {UpDown2, "Frequency"},
      {fInit, "Initial Frequency"},        {UpDown3, "Initial Frequency"},
      {fFinal, "Final Frequency"},         {UpDown4, "Final Frequency"},
      {WaveDevice, "Wave Device"},         {Amplitude, "Amplitude"}, {UpDown1, "Amplitude"},
      {WaveForm, "Wave Form"},             {Duration, "Duration"},   {NoiseColour, "Colour"}};
  for (const auto& [control, name] : spoken) control->setAccessibleName(name);
  for (QLineEdit* box : findChildren<QLineEdit*>()) AllowAnyLength(box);
  for (int slot = 0; slot < 4; ++slot) (*memoryEdits[slot])->setAccessibleName(QString("Memory %1 name").arg(slot + 1));

  // Tab order: the page control, the active page's controls, then the shared ones.
  QWidget* order[] = {SignalType->Tabs(), fEdit, Button1, Button2, fInit, fFinal, Mem1, Mem2, Memory3, Memory4,
                      Logarithmic, Mem1Edit, Mem2Edit, Mem3Edit, Mem4Edit, NoiseColour, WaveDevice, Amplitude, WaveForm,
                      Duration, OnButton, Loop, Lefttick, InPhaseTick, RightTick};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
  setTabOrder(RightTick, SpeakersButton);

  // Event wiring.
  auto changed = [this](QLineEdit* box) {
    connect(box, &QLineEdit::textChanged, this, [this] { Guard(this, [this] { fEditChange(); }); });
  };
  for (QLineEdit* box : {fEdit, fInit, fFinal, Amplitude, Duration}) changed(box);
  for (QComboBox* list : {WaveForm, WaveDevice, NoiseColour}) {
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
  connect(Logarithmic, &QCheckBox::clicked, this, [this] { Guard(this, [this] { fEditChange(); }); });
  SignalType->onPageChanged = [this] { ShowPageControls(); };
}

void TGenerator::ShowPageControls() { WaveForm->setVisible(SignalType->ActivePage() != Noise); }

void TGenerator::FormCreate() {
  SetHelpFileName("Kelvo.HLP");
  WaveForm->setCurrentIndex(0);
  WaveDevice->clear();
  RefreshDeviceList();
  for (int slot = 1; slot <= MemoryBank::kSlots; ++slot) {
    StoreMemory(slot);
    Memories[slot].Name = "Memory " + std::to_string(slot);
  }
  UpdateRateNote();
  if (registerFileTypes_) registerFileTypes_();
}

void TGenerator::RefreshDeviceList() {
  // One entry per device number, in order, so an entry's index is its number.
  QStringList devices;
  const uint32_t count = waveOut_.GetNumDevs();
  for (uint32_t device = 0; device < count; ++device) {
    devices << QString::fromStdString(waveOut_.GetDeviceName(device));
  }
  QStringList shown;
  for (int index = 0; index < WaveDevice->count(); ++index) shown << WaveDevice->itemText(index);
  if (devices == shown) return;

  // The selection stays on its device by name; the first entry (the default
  // output, whatever it stands for now) and a device that went away leave
  // the first entry selected.
  const int selected = WaveDevice->currentIndex();
  const QString selectedName = selected > 0 ? WaveDevice->itemText(selected) : QString();
  WaveDevice->clear();
  WaveDevice->addItems(devices);
  const int index = selectedName.isEmpty() ? 0 : std::max(0, static_cast<int>(devices.indexOf(selectedName)));
  WaveDevice->setCurrentIndex(devices.isEmpty() ? -1 : index);
}

void TGenerator::WatchDevices() {
  if (!engine_->Playing) {
    RefreshDeviceList();
    UpdateRateNote();
    FollowSpeakerLayout();
  } else if (!engine_->Waiting()) {
    // A one-shot tone's wait checks its device itself, and its error then
    // reaches whoever started the tone (a script run stops on it).
    Guard(this, [this] { engine_->CheckDevice(); });
  }
}

void TGenerator::UpdateRateNote() {
  const int32_t device = waveOut_.GetDeviceRate(WaveDevice->currentIndex());
  const int32_t signal = ReadPanelState().SampleRate;
  const bool resampled = device > 0 && device != signal;
  if (resampled) {
    if (RateNote == nullptr) {
      RateNote = new QLabel(this);
      RateNote->setObjectName("RateNote");
      statusBar()->addWidget(RateNote);
      statusBar()->setSizeGripEnabled(false);
    }
    RateNote->setText(QString("%1 Hz, resampled by the sound server to %2 Hz").arg(signal).arg(device));
  }
  if (RateNote != nullptr) statusBar()->setVisible(resampled);
}

void TGenerator::SetMainWindowEnabled(bool enabled) {
  setEnabled(enabled);
  if (enabled) return;
  // Disabling a window also disables the windows it owns; give them back.
  for (QWidget* owned : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (owned->isWindow()) owned->setEnabled(true);
  }
}

void TGenerator::FormActivate() {
  const QString title = QString("Sondrel ") + kVersion;
  SetApplicationTitle(title);
  setWindowTitle(title);
}

bool TGenerator::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) Guard(this, [this] { FormActivate(); });
  if (event->type() == QEvent::Show && !property("placed").toBool()) {
    setProperty("placed", true);
    if (const QScreen* display = screen()) move(display->availableGeometry().center() - rect().center());
  }
  return QMainWindow::event(event);
}

void TGenerator::keyPressEvent(QKeyEvent* event) {
  // OnButton is the default button: Enter anywhere presses it, unless a push
  // button has the focus (it takes Enter itself) or a rename is under way.
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && OnButton->isDefault() && OnButton->isEnabled() && isEnabled()) {
    OnButton->click();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

void TGenerator::closeEvent(QCloseEvent* event) {
  closing_ = true;  // ends a one-shot tone's wait
  QMainWindow::closeEvent(event);
  if (event->isAccepted()) QCoreApplication::quit();
}

PanelState TGenerator::ReadPanelState() {
  PanelState state;
  const QWidget* page = SignalType->ActivePage();
  state.SignalType = page == Constant ? SignalPage::Constant : page == Sweep ? SignalPage::Sweep : SignalPage::Noise;
  state.fEdit = Bytes(fEdit);
  state.fInit = Bytes(fInit);
  state.fFinal = Bytes(fFinal);
  state.Duration = Bytes(Duration);
  state.Amplitude = Bytes(Amplitude);
  state.WaveForm = WaveForm->currentIndex();
  state.NoiseColour = NoiseColour->currentIndex();
  state.WaveDevice = WaveDevice->currentIndex();
  state.Loop = Loop->isChecked();
  state.Logarithmic = Logarithmic->isChecked();
  ApplySignalOptions(CurrentSignalOptions(), state);
  engine_->Speakers = SpeakerMap->Layout();
  if (walking_) state.Loop = true;  // the walk times each speaker itself
  return state;
}

void TGenerator::SetOnButtonCaption(const std::string& caption) {
  OnButton->setText(QString::fromStdString(caption));
}

void TGenerator::SetWaveDeviceEnabled(bool enabled) { WaveDevice->setEnabled(enabled); }

void TGenerator::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void TGenerator::Sleep(int milliseconds) { QThread::msleep(static_cast<unsigned long>(milliseconds)); }

void TGenerator::SleepUntil(int milliseconds, const std::function<bool()>& done) { SleepInSteps(milliseconds, done); }

void TGenerator::ShowBusy(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

bool TGenerator::ApplicationQuitting() { return closing_ || QCoreApplication::closingDown(); }

}  // namespace sondrel
