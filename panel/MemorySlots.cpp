// The four sweep memories: store, recall and rename from the Presets menu,
// the memory buttons, their pop-up menus and F1-F4 / Shift+F1-F4; and the
// preset files that save and load all four at once.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyle>

#include "panel/ByteText.h"
#include "panel/Generator.h"
#include "panel/PageControl.h"
#include "panel/UiEvents.h"
#include "presets/PresetFile.h"

namespace sondrel {

QPushButton* TGenerator::MemoryButton(int slot) const {
  QPushButton* const buttons[] = {Mem1, Mem2, Memory3, Memory4};
  return buttons[slot - 1];
}

QLineEdit* TGenerator::RenameEdit(int slot) const {
  QLineEdit* const edits[] = {Mem1Edit, Mem2Edit, Mem3Edit, Mem4Edit};
  return edits[slot - 1];
}

void TGenerator::ConnectMemorySlots() {
  using Handler = void (TGenerator::*)();
  const Handler store[] = {&TGenerator::StoreClick, &TGenerator::Store2Click, &TGenerator::Store3Click,
                           &TGenerator::Store4Click};
  const Handler recall[] = {&TGenerator::Memory11Click, &TGenerator::Mem2Click, &TGenerator::Memory3Click,
                            &TGenerator::Memory4Click};
  const Handler rename[] = {&TGenerator::RenameClick, &TGenerator::Rename1Click, &TGenerator::Rename2Click,
                            &TGenerator::Rename3Click};
  const Handler exit[] = {&TGenerator::Mem1EditExit, &TGenerator::Mem2EditExit, &TGenerator::Mem3EditExit,
                          &TGenerator::Mem4EditExit};
  QAction* const recallItems[] = {Memory11, Memory21, Memory31, Memory41};
  QAction* const storeItems[] = {StoreMemory11, Recall2, StoreMemory31, StoreMemory41};
  QMenu* const popups[] = {PopupMenu1, PopupMenu2, PopupMenu3, PopupMenu4};
  for (int slot = 1; slot <= MemoryBank::kSlots; ++slot) {
    const size_t i = static_cast<size_t>(slot - 1);
    Connect(recallItems[i], recall[i]);
    Connect(storeItems[i], store[i]);
    Connect(popups[i]->actions().at(0), store[i]);
    Connect(popups[i]->actions().at(1), rename[i]);
    const Handler onClick = recall[i];
    connect(MemoryButton(slot), &QPushButton::clicked, this,
            [this, onClick] { Guard(this, [this, onClick] { (this->*onClick)(); }); });
    auto* events = new EditBoxEvents(RenameEdit(slot), this);
    const Handler onExit = exit[i];
    events->onExit = [this, onExit] { (this->*onExit)(); };
    events->onKeyDown = [this, slot](int key) { return MemEditKeyDown(slot, key); };
  }
  Connect(LoadSweepSettings1, &TGenerator::LoadSweepSettings1Click);
  Connect(SaveSweepSettingsAs1, &TGenerator::SaveSweepSettingsAs1Click);
}

void TGenerator::StoreMemory(int slot) {
  MemoryRecord& memory = Memories[slot];
  memory.fInit = Bytes(fInit);
  memory.fFinal = Bytes(fFinal);
  memory.Duration = Bytes(Duration);
  memory.Amplitude = Bytes(Amplitude);
  memory.WaveForm = WaveForm->currentIndex();
  memory.Loop = Loop->isChecked();
  memory.Left = Lefttick->isChecked();
  memory.Right = RightTick->isChecked();
  memory.InPhase = InPhaseTick->isChecked();
  memory.Logarithmic = Logarithmic->isChecked();
}

void TGenerator::RecallMemory(int slot) {
  // The order matters: each change runs its control's handler at once, just
  // as the user's edit would, and the page shown stays as it is.
  const MemoryRecord memory = Memories[slot];
  SetBytes(fFinal, memory.fFinal);
  SetBytes(Duration, memory.Duration);
  SetBytes(Amplitude, memory.Amplitude);
  const bool listed = memory.WaveForm >= 0 && memory.WaveForm < WaveForm->count();
  WaveForm->setCurrentIndex(listed ? memory.WaveForm : -1);
  Loop->setChecked(memory.Loop);
  SetChecked(Lefttick, memory.Left);
  SetChecked(RightTick, memory.Right);
  SetChecked(InPhaseTick, memory.InPhase);
  SetBytes(fInit, memory.fInit);
  Logarithmic->setChecked(memory.Logarithmic);
  fEditChange();
}

void TGenerator::BeginRename(int slot) {
  QLineEdit* edit = RenameEdit(slot);
  OnButton->setDefault(false);  // Enter now ends the rename instead of switching the tone
  SetBytes(edit, Memories[slot].Name);
  edit->show();
  edit->raise();
  edit->setEnabled(true);
  edit->selectAll();
  edit->setFocus(Qt::OtherFocusReason);
}

void TGenerator::FinishRename(int slot) {
  QLineEdit* edit = RenameEdit(slot);
  Memories[slot].Name = Bytes(edit);
  ShowMemoryName(slot);
  OnButton->setDefault(true);
  edit->hide();  // losing the focus finishes once more, to the same effect
  edit->setEnabled(false);
}

bool TGenerator::MemEditKeyDown(int slot, int key) {
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
  FinishRename(slot);
  return true;
}

void TGenerator::LoadPresetFile(const std::string& path) {
  Memories = LoadPresets(path);  // all or nothing
  for (int slot = 1; slot <= MemoryBank::kSlots; ++slot) ShowMemoryName(slot);
}

void TGenerator::ShowMemoryName(int slot) {
  QPushButton* button = MemoryButton(slot);
  button->setText(ShownCaption(Memories[slot].Name));
  // A name too long for its button shows whole in the tooltip.
  const int room = button->width() - button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) * 2;
  const QString name = ShownText(Memories[slot].Name);
  const bool cut = button->fontMetrics().horizontalAdvance(name) > room;
  button->setToolTip((cut ? name + "\n" : QString()) + kMemoryButtonHint);
}

void TGenerator::SavePresetFile(const std::string& path) { SavePresets(path, Memories); }

void TGenerator::LoadSweepSettings1Click() {
  engine_->StopTone();
  if (const std::optional<QString> path = Dialogs().GetOpenFileName(this, OpenDialog1)) LoadPresetFile(*path);
  SignalType->SetActivePage(Sweep);
}

void TGenerator::SaveSweepSettingsAs1Click() {
  engine_->StopTone();
  if (const std::optional<QString> path = Dialogs().GetSaveFileName(this, SaveDialog2)) SavePresetFile(*path);
}

}  // namespace sondrel
