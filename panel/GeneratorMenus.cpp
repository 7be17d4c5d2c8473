// The main window's menus, their shortcut keys and the memory buttons'
// pop-up menus.
#include <QAction>
#include <QEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include "panel/Application.h"
#include "panel/Generator.h"
#include "panel/UiEvents.h"
#include "platform/HelpViewer.h"

namespace sondrel {

namespace {

// F1 on a highlighted menu item opens the manual at the item's help context:
// its own, or its menu's.
class MenuContextHelp : public QObject {
 public:
  MenuContextHelp(QMenu* menu, int menuContext, QAction* itemWithOwnContext, int itemContext)
      : QObject(menu),
        menu_(menu),
        menuContext_(menuContext),
        itemWithOwnContext_(itemWithOwnContext),
        itemContext_(itemContext) {
    menu->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1) return false;
    const bool own = itemWithOwnContext_ != nullptr && menu_->activeAction() == itemWithOwnContext_;
    ShowHelpContext(HelpFileName().toStdString(), own ? itemContext_ : menuContext_);
    return true;
  }

 private:
  QMenu* menu_;
  int menuContext_;
  QAction* itemWithOwnContext_;
  int itemContext_;
};

}  // namespace

void TGenerator::Connect(QAction* action, void (TGenerator::*handler)()) {
  connect(action, &QAction::triggered, this, [this, handler] { Guard(this, [this, handler] { (this->*handler)(); }); });
}

void TGenerator::CreateMenus() {
  auto item = [this](QMenu* menu, const char* name, const QString& caption, const QString& shortcut) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    if (!shortcut.isEmpty()) action->setShortcut(QKeySequence(shortcut));
    action->setShortcutContext(Qt::WindowShortcut);
    return action;
  };
  auto separator = [](QMenu* menu, const char* name) { menu->addSeparator()->setObjectName(name); };

  File1 = menuBar()->addMenu("&File");
  File1->setObjectName("File1");
  SaveWaveFile1 = item(File1, "SaveWaveFile1", "Save Tone &As...", "Ctrl+T");
  SaveWaveFile1->setStatusTip(
      "Saves the Signal as a PCM file (44.1kHz/16bit/stereo). This can be converted e.g. by Cool Edit.");
  separator(File1, "N4");
  LoadSweepSettings1 = item(File1, "LoadSweepSettings1", "&Load Sweep Settings", "Ctrl+L");
  SaveSweepSettingsAs1 = item(File1, "SaveSweepSettingsAs1", "&Save Sweep Settings As...", "Ctrl+S");
  separator(File1, "N1");
  RunScript1 = item(File1, "RunScript1", "&Run Script", "Ctrl+R");
  separator(File1, "N6");
  Exit1 = item(File1, "Exit1", "&Exit", "Ctrl+X");

  Presets1 = menuBar()->addMenu("&Presets");
  Presets1->setObjectName("Presets1");
  const char* recallNames[] = {"Memory11", "Memory21", "Memory31", "Memory41"};
  const char* storeNames[] = {"StoreMemory11", "Recall2", "StoreMemory31", "StoreMemory41"};
  for (int slot = 1; slot <= MemoryBank::kSlots; ++slot) {
    Slot(slot).recallItem = item(Presets1, recallNames[slot - 1], QString("Recall Memory %1").arg(slot),
                                 QString("F%1").arg(slot));
  }
  separator(Presets1, "N2");
  for (int slot = 1; slot <= MemoryBank::kSlots; ++slot) {
    Slot(slot).storeItem = item(Presets1, storeNames[slot - 1], QString("Store Memory %1").arg(slot),
                                QString("Shift+F%1").arg(slot));
  }

  Recall1 = menuBar()->addMenu("&Tools");
  Recall1->setObjectName("Recall1");
  FreqSlider1 = item(Recall1, "FreqSlider1", "Show &Frequency Slider", "Ctrl+F");
  FreqSlider1->setCheckable(true);
  SpeakerMap1 = item(Recall1, "SpeakerMap1", "Show &Speaker Map", "Ctrl+K");
  SpeakerMap1->setCheckable(true);
  SpeakerMap1->setVisible(false);  // in a surround layout only
  Compatibilitysettings1 = item(Recall1, "Compatibilitysettings1", "&Compatibility Settings", "");
  separator(Recall1, "N5");
  OnOff1 = item(Recall1, "OnOff1", "On/Off", "F5");

  About1 = menuBar()->addMenu("&Help");
  About1->setObjectName("About1");
  About1->setStatusTip("Tell you all about this fabulous little tool...");
  Help1 = item(About1, "Help1", "&Help", "");
  About2 = item(About1, "About2", "&About this program...", "");

  Connect(SaveWaveFile1, &TGenerator::SaveWaveFile1Click);
  Connect(RunScript1, &TGenerator::RunScript1Click);
  Connect(Exit1, &TGenerator::Exit1Click);
  // Qt ticks a checkable item before its handler runs; the handler inverts
  // the mark itself, so take Qt's change back first.
  connect(FreqSlider1, &QAction::triggered, this, [this] {
    FreqSlider1->setChecked(!FreqSlider1->isChecked());
    Guard(this, [this] { FreqSlider1Click(); });
  });
  connect(SpeakerMap1, &QAction::triggered, this, [this] { Guard(this, [this] { SpeakerMap1Click(); }); });
  Connect(Compatibilitysettings1, &TGenerator::Compatibilitysettings1Click);
  Connect(OnOff1, &TGenerator::OnButtonClick);
  Connect(Help1, &TGenerator::Help1Click);
  Connect(About2, &TGenerator::About2Click);

  // Help contexts: File 5 (Run Script 4), Presets 6, the others none.
  new MenuContextHelp(File1, 5, RunScript1, 4);
  new MenuContextHelp(Presets1, 6, nullptr, 0);
  new MenuContextHelp(Recall1, 0, nullptr, 0);
  new MenuContextHelp(About1, 0, nullptr, 0);
  // Ctrl+X is File > Exit everywhere but in a text box, which keeps it for
  // cutting its selection: ending the program from a box on the cut key
  // would lose the memories, which are never saved at exit.
}

void TGenerator::CreatePopupMenus() {
  const char* storeNames[] = {"Store", "Store2", "Store3", "Store4"};
  const char* renameNames[] = {"Rename", "Rename1", "Rename2", "Rename3"};
  for (int slot = 1; slot <= MemoryBank::kSlots; ++slot) {
    auto* menu = new QMenu(this);
    menu->setObjectName(QString("PopupMenu%1").arg(slot));
    menu->addAction("Store")->setObjectName(storeNames[slot - 1]);
    menu->addAction("Rename")->setObjectName(renameNames[slot - 1]);
    QPushButton* button = Slot(slot).button;
    connect(button, &QPushButton::customContextMenuRequested, menu,
            [menu, button](const QPoint& at) { menu->popup(button->mapToGlobal(at)); });
    new MenuContextHelp(menu, 0, nullptr, 0);
    Slot(slot).popup = menu;
  }
  Slot(1).popup->actions().at(0)->setStatusTip("Store settings in this memory position");
}

}  // namespace sondrel
