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

void TGenerator::ConnectMemorySlots() {
  // A slot's handler, guarded as every handler of the window.
  auto run = [this](void (TGenerator::*handler)(int), int slot) {
    return [this, handler, slot] { Guard(this, [this, handler, slot] { (this->*handler)(slot); }); };
  };
  for (int slot = 1; slot <= MemoryBank::kSlots; ++slot) {
    const MemorySlot& memory = Slot(slot);
    connect(memory.recallItem, &QAction::triggered, this, run(&TGenerator::RecallMemory, slot));
    connect(memory.storeItem, &QAction::triggered, this, run(&TGenerator::StoreMemory, slot));
    connect(memory.popup->actions().at(0), &QAction::triggered, this, run(&TGenerator::StoreMemory, slot));
    connect(memory.popup->actions().at(1), &QAction::triggered, this, run(&TGenerator::BeginRename, slot));
    connect(memory.button, &QPushButton::clicked, this, run(&TGenerator::RecallMemory, slot));
    auto* events = new EditBoxEvents(memory.renameEdit, this);
    events->onExit = [this, slot] { FinishRename(slot); };
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
