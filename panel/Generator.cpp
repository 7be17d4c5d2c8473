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
#include <QPointF>
#include <QSignalBlocker>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <algorithm>

#include "engine/SoundNotes.h"
#include "engine/AppError.h"
#include "engine/NumberText.h"
#include "engine/Synthesis.h"
#include "engine/tones/MultiTone.h"
#include "engine/tones/ToneBurst.h"
#include "panel/Application.h"
#include "panel/ByteText.h"
#include "panel/ComboBoxAccessible.h"
#include "panel/FreqPopup.h"
#include "panel/PageControl.h"
#include "panel/SpeakerMap.h"
#include "panel/UiEvents.h"
#include "platform/WaveOut.h"

namespace sondrel {

namespace {
constexpr int kDesignPixelsPerInch = 120;
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


void TGenerator::SelectNoiseBand(const NoiseBand& band) {
  const QPointF data(band.low, band.high);
  int index = NoiseColour->findData(data);
  if (index < 0) {
    constexpr int kScriptBandItem = 5;  // after the colours and the two level bands
    const QString caption = QString("Pink, %1-%2 Hz").arg(band.low).arg(band.high);
    if (NoiseColour->count() <= kScriptBandItem) {
      NoiseColour->addItem(caption, data);
    } else {
      NoiseColour->setItemText(kScriptBandItem, caption);
      NoiseColour->setItemData(kScriptBandItem, data);
    }
    index = kScriptBandItem;
  }
  NoiseColour->setCurrentIndex(index);
}

void TGenerator::ShowNoiseBand() {
  const QVariant band = NoiseColour->currentData();
  NoiseBandLabel->setText(band.isValid() ? QString("Pink noise from %1 to %2 Hz, 24 dB an octave down beyond")
                                                .arg(band.toPointF().x())
                                                .arg(band.toPointF().y())
                                          : QString());
  NoiseBandLabel->adjustSize();
}

void TGenerator::ShowToneLevels() {
  QString text;
  try {
    const std::vector<ToneComponent> tones = ToneListOf(Bytes(ToneList));
    const std::vector<double> levels = ToneLevels(tones, static_cast<double>(StrToInt(Bytes(Amplitude))));
    for (size_t i = 0; i < tones.size(); ++i) {
      text += QString("%1%2 Hz: %3 dB").arg(i == 0 ? "" : ", ").arg(tones[i].frequency, 0, 'g', 10).arg(levels[i], 0, 'f', 1);
    }
    text = "Each tone's peak: " + text;
  } catch (const AppError& error) {
    text = QString::fromStdString(error.what());
  }
  ToneLevelsLabel->setText(text);
  ToneLevelsLabel->adjustSize();
  ToneListPreset->setCurrentIndex(ToneListPreset->findData(ToneList->text()));
}

void TGenerator::ShowBurstPreset() {
  int shown = -1;
  long double frequency = 0, cycles = 0, period = 0;
  if (TryStrToFloat(Bytes(BurstFrequency), &frequency) && TryStrToFloat(Bytes(BurstCycles), &cycles) &&
      TryStrToFloat(Bytes(BurstPeriod), &period) && cycles == kCeaBurstCycles && period == kCeaBurstPeriod &&
      BurstWindow->currentIndex() == kHannWindow) {
    shown = BurstPreset->findData(static_cast<double>(frequency));
  }
  BurstPreset->setCurrentIndex(shown);
}

// All four controls change at once: a playing burst restarts once, not
// once for each.
void TGenerator::ApplyBurstPreset() {
  const QVariant frequency = BurstPreset->currentData();
  if (!frequency.isValid()) return;
  {
    const QSignalBlocker blockers[] = {QSignalBlocker(BurstFrequency), QSignalBlocker(BurstCycles),
                                       QSignalBlocker(BurstPeriod), QSignalBlocker(BurstWindow)};
    SetBytes(BurstFrequency, DecimalText(frequency.toDouble()));
    SetBytes(BurstCycles, DecimalText(kCeaBurstCycles));
    SetBytes(BurstPeriod, DecimalText(kCeaBurstPeriod));
    BurstWindow->setCurrentIndex(kHannWindow);
  }
  ShowBurstPreset();
  fEditChange();
}

void TGenerator::ShowPageControls() {
  WaveForm->setVisible(SignalType->ActivePage() == Constant || SignalType->ActivePage() == Sweep);
  Duration->setVisible(SignalType->ActivePage() != Dtmf);  // the keys decide how long it plays
  UpdateSoundNote();
}

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
  UpdateSoundNote();
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
  const std::string note = ResamplingNote(ReadPanelState().SampleRate, waveOut_.GetDeviceRate(WaveDevice->currentIndex()));
  SetStatusNote(RateNote, "RateNote", QString::fromStdString(note));
}

void TGenerator::UpdateSoundNote() {
  const std::vector<std::string> notes = SoundNotes(ReadPanelState(), engine_->Gains(), LayoutOf(engine_->Speakers),
                                                    engine_->ChosenSpeakers, NotesFor::Window);
  QString text;
  for (const std::string& note : notes) text += (text.isEmpty() ? "" : "; ") + QString::fromStdString(note);
  if (!text.isEmpty()) text[0] = text[0].toUpper();
  SetStatusNote(SoundNote, "SoundNote", text);
}

void TGenerator::SetStatusNote(QLabel*& note, const char* name, const QString& text) {
  if (note == nullptr) {
    if (text.isEmpty()) return;  // the window keeps its height until there is something to say
    note = new QLabel(this);
    note->setObjectName(name);
    statusBar()->addWidget(note);
    statusBar()->setSizeGripEnabled(false);
  }
  note->setText(text);
  note->setVisible(!text.isEmpty());
  const bool shown = (RateNote != nullptr && !RateNote->text().isEmpty()) ||
                     (SoundNote != nullptr && !SoundNote->text().isEmpty());
  statusBar()->setVisible(shown);
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
  state.SignalType = page == Constant ? SignalPage::Constant
                     : page == Sweep  ? SignalPage::Sweep
                     : page == Noise  ? SignalPage::Noise
                     : page == Burst  ? SignalPage::Burst
                     : page == Dtmf   ? SignalPage::Dtmf
                                      : SignalPage::MultiTone;
  state.fEdit = Bytes(fEdit);
  state.fInit = Bytes(fInit);
  state.fFinal = Bytes(fFinal);
  state.Duration = Bytes(Duration);
  state.Amplitude = Bytes(Amplitude);
  state.ToneList = Bytes(ToneList);
  state.BurstFrequency = Bytes(BurstFrequency);
  state.BurstCycles = Bytes(BurstCycles);
  state.BurstPeriod = Bytes(BurstPeriod);
  state.BurstWindow = BurstWindow->currentIndex();
  state.DtmfDigits = Bytes(DtmfDigits);
  state.DtmfToneMs = Bytes(DtmfToneMs);
  state.DtmfGapMs = Bytes(DtmfGapMs);
  state.WaveForm = WaveForm->currentIndex();
  const QVariant band = NoiseColour->currentData();
  state.NoiseColour = band.isValid() ? kPink : NoiseColour->currentIndex();
  if (band.isValid()) state.Band = {band.toPointF().x(), band.toPointF().y()};
  state.NoiseIndependent = NoiseIndependent->isChecked();
  state.WaveDevice = WaveDevice->currentIndex();
  state.Loop = Loop->isChecked();
  state.Logarithmic = Logarithmic->isChecked();
  ApplySignalOptions(CurrentSignalOptions(), state);
  if (ScriptFadeMs) state.FadeMs = *ScriptFadeMs;
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
