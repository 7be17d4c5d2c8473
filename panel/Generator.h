#pragma once
// The main window, the program's control panel. Its controls are the
// program's parameter state: the tone engine reads them whenever a tone
// starts or is exported. Every control, menu item and handler carries the
// name it is known by throughout the program.

#include <QFile>
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "engine/EngineWindow.h"
#include "engine/Playback.h"
#include "panel/UserDialogs.h"
#include "presets/MemoryRecord.h"
#include "settings/StoredOptions.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace sondrel {

class PageControl;
class TFreqPopup;
class TSpeakerMap;
class UpDown;
class WaveOut;

// Plays script files; the script runner installs itself here.
class ScriptRunner {
 public:
  virtual ~ScriptRunner() = default;
  // Runs the whole script and returns when the run has ended. Throws
  // AppError when the run stops on an error. The path is the file system's
  // bytes, whatever they are.
  virtual void RunScript(const std::string& path) = 0;
};

class TGenerator : public QMainWindow, public EngineWindow {
 public:
  // registerFileTypes is the last step of the window's creation.
  explicit TGenerator(WaveOut& waveOut, std::function<void()> registerFileTypes = {});
  ~TGenerator() override;

  // The engine; its globals Playing, StopRequested, LeftGain, RightGain and
  // PhaseSign are shared with every window.
  Playback& Engine() { return *engine_; }

  // Windows created after this one.
  QPointer<TFreqPopup> FreqPopup;
  QPointer<QWidget> AboutBox;
  QPointer<QWidget> SettingsForm;
  // The stored options as the settings window's boxes hold them now.
  std::function<StoredOptions()> ReadStoredOptions;
  ScriptRunner* Scripts = nullptr;
  // While a script runs, the fade its "fade" line chose, in place of the setting's.
  std::optional<int32_t> ScriptFadeMs;

  // EngineWindow
  PanelState ReadPanelState() override;
  void SetOnButtonCaption(const std::string& caption) override;
  void SetWaveDeviceEnabled(bool enabled) override;
  void ProcessMessages() override;
  void Sleep(int milliseconds) override;
  void SleepUntil(int milliseconds, const std::function<bool()>& done) override;
  bool ApplicationQuitting() override;
  void ShowBusy(bool busy) override;

  // Handlers. Each may raise AppError; callers from Qt go through Guard.
  void FormCreate();
  void FormActivate();
  // Follows the sound system's devices as they come and go (while idle) and
  // ends a looping tone whose device was lost; runs twice a second.
  void WatchDevices();
  void RefreshDeviceList();
  // Says below the panel when the signal's rate differs from the chosen
  // device's, which the sound server then resamples; hidden otherwise.
  void UpdateRateNote();
  QLabel* RateNote = nullptr;  // made when first needed
  // Says below the panel what the controls will not sound as set (a
  // frequency above half the rate, a logarithmic sweep from 0 Hz, no channel
  // or speaker chosen), without changing a sample; hidden otherwise.
  void UpdateSoundNote();
  QLabel* SoundNote = nullptr;  // made when first needed
  void OnButtonClick();
  void fEditChange();
  void fEditExit();
  void AmplitudeExit();
  void UpDown1Changing(bool& allowChange);
  void fInitClick();
  void Button2Click(QObject* sender);
  void LefttickClick();
  void InPhaseTickClick();

  // Surround (SpeakerHandlers.cpp). The stored options with the rate and the
  // layout resolved for the chosen device.
  SignalOptions CurrentSignalOptions();
  // Shows the layout those options give, when idle: Stereo with the Left and
  // Right boxes, a surround layout with the speaker map, every speaker ticked.
  void FollowSpeakerLayout();
  // The engine's channels, the On switches and the phase box as the ticked
  // boxes or speakers say; stops the tone when none is ticked.
  void UpdateChannelControls();
  void SpeakersClick();
  void SpeakerMap1Click();
  // "Test each speaker": the current page's signal on each speaker in turn.
  void WalkClick();
  TSpeakerMap* SpeakerMap = nullptr;
  QPushButton* SpeakersButton = nullptr;  // in the Left and Right boxes' place in a surround layout
  void Exit1Click();
  void FreqSlider1Click();
  void Compatibilitysettings1Click();
  void SaveWaveFile1Click();
  void About2Click();
  void Help1Click();
  void RunScript(const std::string& path);
  void RunScript(const QString& path) { RunScript(QFile::encodeName(path).toStdString()); }
  void RunScript1Click();

  // Memory slots (MemorySlots.cpp): slot numbers run from 1 to 4.
  MemoryBank Memories;
  void StoreMemory(int slot);
  void RecallMemory(int slot);
  void BeginRename(int slot);
  void FinishRename(int slot);
  // Enter ends the rename; every other key is the box's own.
  bool MemEditKeyDown(int slot, int key);
  QPushButton* MemoryButton(int slot) const { return Slot(slot).button; }
  // The memory's name on its button, and whole in the tooltip when cut.
  void ShowMemoryName(int slot);
  static constexpr const char* kMemoryButtonHint = "Recall Stored Sweep Settings (Right-click to Store)";
  QLineEdit* RenameEdit(int slot) const { return Slot(slot).renameEdit; }

  // Preset files.
  // Paths are the file system's bytes; the QString forms are the dialogs'.
  void LoadPresetFile(const std::string& path);
  void SavePresetFile(const std::string& path);
  void LoadPresetFile(const QString& path) { LoadPresetFile(QFile::encodeName(path).toStdString()); }
  void SavePresetFile(const QString& path) { SavePresetFile(QFile::encodeName(path).toStdString()); }
  void LoadSweepSettings1Click();
  void SaveSweepSettingsAs1Click();

  // The page control and its pages.
  PageControl* SignalType = nullptr;
  QWidget* Constant = nullptr;
  QWidget* Sweep = nullptr;
  QWidget* Noise = nullptr;
  QWidget* MultiTone = nullptr;
  QWidget* Burst = nullptr;
  QWidget* Dtmf = nullptr;

  // Parameter controls.
  QLineEdit* fEdit = nullptr;
  UpDown* UpDown2 = nullptr;
  QPushButton* Button2 = nullptr;  // "Semi tone up"
  QPushButton* Button1 = nullptr;  // "Semi tone down"
  QLineEdit* fInit = nullptr;
  UpDown* UpDown3 = nullptr;
  QLineEdit* fFinal = nullptr;
  UpDown* UpDown4 = nullptr;
  QCheckBox* Logarithmic = nullptr;
  // "White", "Pink", "Brown", then pink in the two level-setting bands, and
  // one that a script chose (its band in each item's data).
  QComboBox* NoiseColour = nullptr;
  // Selects pink in the band, adding it to the list when it is none of its.
  void SelectNoiseBand(const NoiseBand& band);
  // Above the list, the band of the entry chosen: "Pink noise from 500 to
  // 2000 Hz, 24 dB an octave down beyond"; nothing for a colour.
  void ShowNoiseBand();
  QLabel* NoiseBandLabel = nullptr;
  // "Independent channels": each channel (speaker) its own noise.
  QCheckBox* NoiseIndependent = nullptr;
  // The multi-tone's frequencies and weights ("60:4,7000:1"), the standard
  // lists, and each tone's own level below the composite's peak.
  QLineEdit* ToneList = nullptr;
  QComboBox* ToneListPreset = nullptr;
  QLabel* ToneLevelsLabel = nullptr;
  // "60 Hz: -1.9 dB, 7000 Hz: -14.0 dB" for the list and the amplitude as
  // they stand, or why the list is not one.
  void ShowToneLevels();
  // The tone burst: its frequency (Hz), cycles, period (s) and window, and
  // the CEA-2010 bursts, the one the boxes hold shown (none for others).
  QLineEdit* BurstFrequency = nullptr;
  QLineEdit* BurstCycles = nullptr;
  QLineEdit* BurstPeriod = nullptr;
  QComboBox* BurstWindow = nullptr;
  QComboBox* BurstPreset = nullptr;
  void ShowBurstPreset();
  void ApplyBurstPreset();
  // DTMF: the keys in order, each key's tone and the gap after it (ms).
  QLineEdit* DtmfDigits = nullptr;
  QLineEdit* DtmfToneMs = nullptr;
  QLineEdit* DtmfGapMs = nullptr;
  QComboBox* WaveDevice = nullptr;
  QLineEdit* Amplitude = nullptr;
  UpDown* UpDown1 = nullptr;
  QComboBox* WaveForm = nullptr;
  QLineEdit* Duration = nullptr;
  QPushButton* OnButton = nullptr;
  QCheckBox* Loop = nullptr;
  QCheckBox* Lefttick = nullptr;
  QCheckBox* RightTick = nullptr;
  QCheckBox* InPhaseTick = nullptr;

  // The main menu.
  QMenu* File1 = nullptr;
  QAction* SaveWaveFile1 = nullptr;
  QAction* LoadSweepSettings1 = nullptr;
  QAction* SaveSweepSettingsAs1 = nullptr;
  QAction* RunScript1 = nullptr;
  QAction* Exit1 = nullptr;
  QMenu* Presets1 = nullptr;
  QMenu* Recall1 = nullptr;  // "&Tools"
  QAction* FreqSlider1 = nullptr;
  QAction* SpeakerMap1 = nullptr;  // shown in a surround layout
  QAction* Compatibilitysettings1 = nullptr;
  QAction* OnOff1 = nullptr;
  QMenu* About1 = nullptr;  // "&Help"
  QAction* Help1 = nullptr;
  QAction* About2 = nullptr;

  // One sweep memory's controls. Their object names are the window's own:
  // Mem1, Mem2, Memory3, Memory4; Mem1Edit ... Mem4Edit; Memory11 ...
  // Memory41; StoreMemory11, Recall2, StoreMemory31, StoreMemory41;
  // PopupMenu1 ... PopupMenu4.
  struct MemorySlot {
    QPushButton* button = nullptr;    // "Memory N" on the Sweep page: recalls
    QLineEdit* renameEdit = nullptr;  // over the button while it is renamed
    QAction* recallItem = nullptr;    // Presets > Recall Memory N (F1 ... F4)
    QAction* storeItem = nullptr;     // Presets > Store Memory N (Shift+F1 ... Shift+F4)
    QMenu* popup = nullptr;           // the button's right-click menu: Store, Rename
  };
  std::array<MemorySlot, MemoryBank::kSlots> MemorySlots;  // slot 1 first
  MemorySlot& Slot(int slot) { return MemorySlots[static_cast<size_t>(slot - 1)]; }
  const MemorySlot& Slot(int slot) const { return MemorySlots[static_cast<size_t>(slot - 1)]; }

  // The file dialogs.
  static const FileDialogSpec OpenDialog1;  // presets, open
  static const FileDialogSpec SaveDialog2;  // presets, save
  static const FileDialogSpec OpenDialog2;  // scripts
  static const FileDialogSpec SaveDialog1;  // tone export

  // The main window takes no input while the about, settings or script
  // window is open; those windows, and the slider window, stay usable.
  void SetMainWindowEnabled(bool enabled);

  // Design pixels (120 per inch) to screen pixels.
  int Scaled(int designPixels) const;
  double DesignScale() const;

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // The controls, page by page (GeneratorControls.cpp).
  void CreateControls();
  void CreateConstantPage();
  void CreateSweepPage();
  void CreateNoisePage();
  void CreateMultiTonePage();
  void CreateBurstPage();
  void CreateDtmfPage();
  void CreateSharedControls(QWidget* client);
  void DescribeControls();  // tooltips and the names a screen reader speaks
  void SetControlsTabOrder();
  void ConnectControls();
  // The noise page's colour list takes the wave form list's place.
  void ShowPageControls();
  void CreateMenus();
  void CreatePopupMenus();
  void ConnectMemorySlots();
  QLabel* AddLabel(QWidget* parent, const QString& text, int left, int top);
  // The status line shows while either note has a text.
  void SetStatusNote(QLabel*& note, const char* name, const QString& text);
  void Connect(QAction* action, void (TGenerator::*handler)());

  std::unique_ptr<Playback> engine_;
  WaveOut& waveOut_;
  std::function<void()> registerFileTypes_;
  double scale_ = 1.0;
  bool closing_ = false;
  bool walking_ = false;  // a walk round the room is on
};

}  // namespace sondrel
