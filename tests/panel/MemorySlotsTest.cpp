// Storing, recalling and renaming the four memories through the real
// widgets, and the preset file commands.
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>

#include "engine/AppError.h"
#include "presets/PresetFile.h"
#include "tests/panel/PanelFixture.h"

namespace sondrel {
namespace {

class MemorySlotsTest : public PanelFixture {
 protected:
  std::vector<size_t> WrittenSizes() const {
    std::vector<size_t> sizes;
    for (const auto& call : waveOut.calls) {
      if (call.operation == "Write") sizes.push_back(call.buffer.size());
    }
    return sizes;
  }
  QByteArray SavedPresets() {
    dialogs.nextFile = folder.filePath("set.kvp");
    generator->SaveSweepSettingsAs1Click();
    QFile file(folder.filePath("set.kvp"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
  }
  QTemporaryDir folder;
};

TEST_F(MemorySlotsTest, FreshSlotsHoldTheInitialControls) {
  EXPECT_EQ(generator->Memories[1].Name, "Memory 1");
  EXPECT_EQ(generator->Memories[4].Name, "Memory 4");
  EXPECT_EQ(SavedPresets().left(53), QByteArray("Memory 1\r\n100\r\n10000\r\n1\r\n0\r\n0\r\n-1\r\n-1\r\n-1\r\n-1\r\n0\r\nMem"));
}

TEST_F(MemorySlotsTest, StoreCopiesTheControlsAndKeepsTheName) {
  TGenerator& g = *generator;
  SetText(g.fInit, "50");
  SetText(g.fFinal, "not a number");
  g.WaveForm->setCurrentIndex(2);
  SetChecked(g.RightTick, false);
  g.Logarithmic->setChecked(true);
  g.Slot(2).storeItem->trigger();  // "Store Memory 2"
  const MemoryRecord& memory = g.Memories[2];
  EXPECT_EQ(memory.Name, "Memory 2");
  EXPECT_EQ(memory.fInit, "50");
  EXPECT_EQ(memory.fFinal, "not a number");
  EXPECT_EQ(memory.WaveForm, 2);
  EXPECT_FALSE(memory.Right);
  EXPECT_TRUE(memory.InPhase);
  EXPECT_TRUE(memory.Logarithmic);
  EXPECT_EQ(g.MemoryButton(2)->text(), "Memory 2");
}

TEST_F(MemorySlotsTest, RecallAssignsInOrderAndRunsTheHandlers) {
  TGenerator& g = *generator;
  g.SignalType->SetActivePage(g.Sweep);
  MemoryRecord& memory = g.Memories[3];
  memory.fFinal = "2000";
  memory.Duration = "0.5";
  memory.Amplitude = "-10";
  memory.fInit = "200";
  memory.WaveForm = 1;
  memory.Loop = true;
  StartLoopingTone();  // a one-second sweep
  g.RecallMemory(3);
  // fFinal restarts with the old duration; every later restart has the new one.
  EXPECT_EQ(WrittenSizes(), (std::vector<size_t>{88200, 44100, 44100, 44100, 44100}));
  EXPECT_EQ(g.fInit->text(), "200");
  EXPECT_EQ(g.WaveForm->currentIndex(), 1);
  EXPECT_EQ(g.SignalType->ActivePage(), g.Sweep);
}

// Every field a memory keeps comes back: stored, every control changed,
// recalled.
TEST_F(MemorySlotsTest, RecallBringsBackEveryStoredControl) {
  TGenerator& g = *generator;
  struct Controls {
    std::string fInit, fFinal, duration, amplitude;
    int waveForm;
    bool loop, left, right, inPhase, logarithmic;
    bool operator==(const Controls&) const = default;
  };
  auto read = [&g] {
    return Controls{g.fInit->text().toStdString(), g.fFinal->text().toStdString(), g.Duration->text().toStdString(),
                    g.Amplitude->text().toStdString(), g.WaveForm->currentIndex(), g.Loop->isChecked(),
                    g.Lefttick->isChecked(), g.RightTick->isChecked(), g.InPhaseTick->isChecked(),
                    g.Logarithmic->isChecked()};
  };
  auto write = [&g](const Controls& c) {
    SetText(g.fInit, QString::fromStdString(c.fInit));
    SetText(g.fFinal, QString::fromStdString(c.fFinal));
    SetText(g.Duration, QString::fromStdString(c.duration));
    SetText(g.Amplitude, QString::fromStdString(c.amplitude));
    g.WaveForm->setCurrentIndex(c.waveForm);
    SetChecked(g.Loop, c.loop);
    SetChecked(g.Lefttick, c.left);
    SetChecked(g.RightTick, c.right);
    SetChecked(g.InPhaseTick, c.inPhase);
    g.Logarithmic->setChecked(c.logarithmic);
  };
  const Controls stored{"123", "4567", "2.5", "-7", 1, false, true, true, false, true};
  write(stored);
  ASSERT_EQ(read(), stored);
  g.StoreMemory(1);
  write({"1", "2", "3", "-1", 2, true, true, true, true, false});
  g.RecallMemory(1);
  EXPECT_TRUE(read() == stored);
  EXPECT_FALSE(g.InPhaseTick->isChecked());
}

TEST_F(MemorySlotsTest, RecallOfEqualValuesRunsOnlyTheFinalRetune) {
  StartLoopingTone();
  generator->Slot(1).recallItem->trigger();
  EXPECT_EQ(Starts(), 1);
}

TEST_F(MemorySlotsTest, RecallNeverSwitchesThePage) {
  TGenerator& g = *generator;
  g.Memories[1].fInit = "300";
  g.Memories[1].Duration = "4";
  g.RecallMemory(1);
  EXPECT_EQ(g.SignalType->ActivePage(), g.Constant);
  EXPECT_EQ(g.fInit->text(), "300");
  EXPECT_EQ(g.Duration->text(), "4");
}

TEST_F(MemorySlotsTest, RecallWithNoChannelStopsTheToneAndDisablesTheSwitch) {
  TGenerator& g = *generator;
  g.Memories[4].Left = g.Memories[4].Right = false;
  g.Memories[4].WaveForm = 7;
  g.Memories[4].Logarithmic = true;
  StartLoopingTone();
  g.RecallMemory(4);
  EXPECT_FALSE(engine().Playing);
  EXPECT_FALSE(g.OnButton->isEnabled());
  EXPECT_EQ(g.WaveForm->currentIndex(), -1);
  EXPECT_TRUE(g.Logarithmic->isChecked());
}

TEST_F(MemorySlotsTest, RenameTakesAnyTextAndEnterDoesNotSwitchTheTone) {
  TGenerator& g = *generator;
  ShowAndActivate();
  g.SignalType->SetActivePage(g.Sweep);
  g.Slot(2).popup->actions().at(1)->trigger();  // "Rename"
  ASSERT_TRUE(g.RenameEdit(2)->isVisible());
  EXPECT_EQ(g.RenameEdit(2)->text(), "Memory 2");
  EXPECT_FALSE(g.OnButton->isDefault());
  QTest::keyClicks(g.RenameEdit(2), "Room");
  QTest::keyClick(g.RenameEdit(2), Qt::Key_Return);
  EXPECT_EQ(g.MemoryButton(2)->text(), "Room");
  EXPECT_EQ(g.Memories[2].Name, "Room");
  EXPECT_FALSE(g.RenameEdit(2)->isVisible());
  EXPECT_FALSE(g.RenameEdit(2)->isEnabled());
  EXPECT_TRUE(g.OnButton->isDefault());
  EXPECT_FALSE(engine().Playing);

  g.BeginRename(1);
  g.RenameEdit(1)->clear();
  g.fInit->setFocus();  // leaving the box also takes its text
  EXPECT_EQ(g.MemoryButton(1)->text(), "");
  EXPECT_EQ(g.Memories[1].Name, "");
  QTest::keyClick(g.fInit, Qt::Key_Return);  // Enter switches the tone again
  EXPECT_TRUE(engine().Playing);
}

TEST_F(MemorySlotsTest, FunctionKeysRecallAndStoreFromAnywhere) {
  TGenerator& g = *generator;
  ShowAndActivate();
  g.Amplitude->setFocus();
  SetText(g.fFinal, "777");
  QTest::keyClick(&g, Qt::Key_F3, Qt::ShiftModifier);
  EXPECT_EQ(g.Memories[3].fFinal, "777");
  SetText(g.fFinal, "1");
  QTest::keyClick(&g, Qt::Key_F3);
  EXPECT_EQ(g.fFinal->text(), "777");
  QTest::keyClick(&g, Qt::Key_F1);
  EXPECT_EQ(g.fFinal->text(), "10000");
}

TEST_F(MemorySlotsTest, PresetsSaveAndLoadBackIntoIdenticalSlots) {
  TGenerator& g = *generator;
  g.Memories[2].Name = "Bass";
  g.Memories[2].WaveForm = 3;
  g.Memories[2].Loop = false;
  g.Memories[4].Amplitude = "";
  const MemoryBank saved = g.Memories;
  SavedPresets();
  g.Memories = MemoryBank{};
  dialogs.nextFile = folder.filePath("set.kvp");
  g.LoadSweepSettings1Click();
  EXPECT_EQ(g.Memories, saved);
  EXPECT_EQ(g.MemoryButton(2)->text(), "Bass");
  EXPECT_EQ(g.SignalType->ActivePage(), g.Sweep);
  EXPECT_EQ(dialogs.fileDialogs.back().defaultExtension, "kvp");
  EXPECT_EQ(dialogs.fileDialogs.back().filter, "Sondrel Presets|*.kvp");
}

TEST_F(MemorySlotsTest, FailedLoadChangesNothing) {
  TGenerator& g = *generator;
  QFile file(folder.filePath("broken.kvp"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("New name\r\n1\r\n2\r\n3\r\n4\r\nTrue\r\n");
  file.close();
  const MemoryBank before = g.Memories;
  StartLoopingTone();
  dialogs.nextFile = file.fileName();
  try {
    g.LoadSweepSettings1Click();
    ADD_FAILURE() << "no error";
  } catch (const AppError& error) {
    EXPECT_STREQ(error.what(), "Invalid numeric input");
  }
  EXPECT_EQ(g.Memories, before);
  EXPECT_EQ(g.MemoryButton(1)->text(), "Memory 1");
  EXPECT_EQ(g.SignalType->ActivePage(), g.Constant);  // not switched after a failure
  EXPECT_FALSE(engine().Playing);                     // stopped before the dialog
}

TEST_F(MemorySlotsTest, CancelledLoadStillShowsTheSweepPage) {
  generator->LoadSweepSettings1Click();
  EXPECT_EQ(generator->SignalType->ActivePage(), generator->Sweep);
}

TEST_F(MemorySlotsTest, FailedSaveKeepsTheOldFile) {
  const QString path = folder.filePath("set.kvp");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("old");
  file.close();
  dialogs.nextFile = folder.filePath("missing/set.kvp");
  EXPECT_THROW(generator->SaveSweepSettingsAs1Click(), AppError);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), "old");
}

}  // namespace
}  // namespace sondrel
