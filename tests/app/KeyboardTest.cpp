// The windows as a keyboard and screen-reader user meets them: focus, Tab,
// Escape, F1, accessible names; and as the desktop shows them: icons, the
// slider's thumb, windows kept on their screen.
#include <QAccessible>
#include <QClipboard>
#include <QMenu>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTextBrowser>

#include "app/AboutBox.h"
#include "app/SettingsForm.h"
#include "app/WindowIcon.h"
#include "engine/Synthesis.h"
#include "platform/HelpViewer.h"
#include "script/ScriptPopup.h"
#include "tests/panel/PanelFixture.h"

namespace sondrel {
namespace {

class KeyboardTest : public PanelFixture {
 protected:
  KeyboardTest() {
    settings = new TSettingsForm(*generator, folder.filePath("settings").toStdString());
    about = new TAboutBox(*generator);
    generator->AboutBox = about;
    script = new TScriptPopup(*generator);
  }

  // The controls a user can tab to: focusable, shown and enabled.
  static QList<QWidget*> TabStops(QWidget* window) {
    QList<QWidget*> stops;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
      if (widget->window() == window && (widget->focusPolicy() & Qt::TabFocus) && widget->isVisible() &&
          widget->isEnabled()) {
        stops << widget;
      }
    }
    return stops;
  }

  // Everything the Tab key reaches from the window's first control, once round.
  static QSet<QWidget*> Reached(QWidget* window) {
    QApplication::setActiveWindow(window);
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    QSet<QWidget*> reached;
    if (QApplication::focusWidget() == nullptr || QApplication::focusWidget()->window() != window) {
      if (QWidget* first = window->nextInFocusChain()) first->setFocus(Qt::TabFocusReason);
    }
    for (int press = 0; press < 60; ++press) {
      if (QWidget* focus = QApplication::focusWidget()) reached << focus;
      QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_Tab);
    }
    return reached;
  }

  static QString SpokenName(QWidget* widget) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible != nullptr ? accessible->text(QAccessible::Name) : QString();
  }

  QTemporaryDir folder;
  TSettingsForm* settings = nullptr;
  TAboutBox* about = nullptr;
  TScriptPopup* script = nullptr;
};

TEST_F(KeyboardTest, TheSettingsWindowTakesTheKeyboardAndEscapeClosesIt) {
  ShowAndActivate();
  generator->Compatibilitysettings1Click();
  for (int wait = 0; wait < 50 && QApplication::activeWindow() != settings; ++wait) QTest::qWait(10);
  EXPECT_EQ(QApplication::activeWindow(), settings);
  ASSERT_NE(QApplication::focusWidget(), nullptr);
  EXPECT_EQ(QApplication::focusWidget()->window(), settings);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);  // ticks the first box
  EXPECT_TRUE(settings->AlwaysStereo->isChecked());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  EXPECT_FALSE(settings->isVisible());
  EXPECT_TRUE(generator->isEnabled());
  EXPECT_FALSE(QFile::exists(folder.filePath("settings")));  // like the close box: nothing stored
}

QWidget* HelpWindow() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window->objectName() == "HelpViewer") return window;
  }
  return nullptr;
}

// Activates the open manual and presses Escape in it.
void EscapeFromTheManual() {
  QWidget* help = HelpWindow();
  ASSERT_NE(help, nullptr);
  ASSERT_TRUE(help->isVisible());
  QApplication::setActiveWindow(help);
  ASSERT_TRUE(QTest::qWaitForWindowActive(help));
  QTest::keyClick(help, Qt::Key_Escape);
}

TEST_F(KeyboardTest, EscapeClosesTheHelpWindow) {
  ShowHelpTopic("Kelvo.HLP", "IDH_1");
  EscapeFromTheManual();
  EXPECT_FALSE(HelpWindow()->isVisible());
}

// Closing the manual gives the focus back to the window that opened it,
// even when the main window behind it is disabled.
TEST_F(KeyboardTest, ClosingTheManualReturnsToTheWindowThatOpenedIt) {
  ShowAndActivate();
  generator->Compatibilitysettings1Click();
  for (int wait = 0; wait < 50 && QApplication::activeWindow() != settings; ++wait) QTest::qWait(10);
  ASSERT_EQ(QApplication::activeWindow(), settings);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
  EscapeFromTheManual();
  for (int wait = 0; wait < 50 && QApplication::activeWindow() != settings; ++wait) QTest::qWait(10);
  EXPECT_EQ(QApplication::activeWindow(), settings);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
}

// At any scale the manual's window fits on its screen.
TEST_F(KeyboardTest, TheManualFitsItsScreen) {
  ShowHelpTopic("Kelvo.HLP", "IDH_1");
  QWidget* help = HelpWindow();
  ASSERT_NE(help, nullptr);
  const QRect room = help->screen()->availableGeometry();
  EXPECT_LE(help->width(), room.width());
  EXPECT_LE(help->height(), room.height());
  EXPECT_TRUE(room.contains(help->geometry())) << help->geometry().y() << " " << help->geometry().height();
  help->close();
}

// Lists are announced by their labels, then their values.
TEST_F(KeyboardTest, ListsAreAnnouncedByTheirLabels) {
  ShowAndActivate();
  const std::pair<QWidget*, const char*> lists[] = {
      {generator->WaveDevice, "Wave Device"}, {generator->WaveForm, "Wave Form"}, {generator->NoiseColour, "Colour"}};
  for (const auto& [list, label] : lists) {
    EXPECT_EQ(SpokenName(list), label);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(list);
    EXPECT_EQ(accessible->text(QAccessible::Value), static_cast<QComboBox*>(list)->currentText());
    EXPECT_EQ(accessible->role(), QAccessible::ComboBox);
  }
}

// A memory whose name does not fit its button shows it whole as a tooltip.
TEST_F(KeyboardTest, ACutMemoryNameIsWholeInTheTooltip) {
  const std::string name = "Living room, left speaker, tweeter check";
  generator->Memories[2].Name = name;
  generator->ShowMemoryName(2);
  EXPECT_EQ(generator->MemoryButton(2)->toolTip(), QString::fromStdString(name) + "\n" + TGenerator::kMemoryButtonHint);
  generator->Memories[2].Name = "Bass";
  generator->ShowMemoryName(2);
  EXPECT_EQ(generator->MemoryButton(2)->toolTip(), TGenerator::kMemoryButtonHint);
}

TEST_F(KeyboardTest, F1OnAMemoryMenuOpensTheManualAtItsContents) {
  ShowAndActivate();
  generator->SignalType->SetActivePage(generator->Sweep);
  generator->Slot(2).popup->popup(generator->MemoryButton(2)->mapToGlobal(QPoint(2, 2)));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(generator->Slot(2).popup));
  QTest::keyClick(generator->Slot(2).popup, Qt::Key_F1);
  EXPECT_EQ(LastHelpRequest(), "Kelvo.HLP#");
  generator->Slot(2).popup->close();
}

// As the manual says: the slider window shares the main window's keys.
TEST_F(KeyboardTest, F1InTheSliderWindowRecallsMemoryOne) {
  ShowAndActivate();
  generator->Memories[1].fInit = "123";
  generator->FreqSlider1Click();
  QApplication::setActiveWindow(freqPopup);
  ASSERT_TRUE(QTest::qWaitForWindowActive(freqPopup));
  const std::string helpBefore = LastHelpRequest();  // whatever an earlier test opened
  QTest::keyClick(freqPopup->FreqSlider, Qt::Key_F1);
  EXPECT_EQ(generator->fInit->text(), "123");
  EXPECT_EQ(LastHelpRequest(), helpBefore);  // no manual opened
}

TEST_F(KeyboardTest, TabReachesEveryControlOnEveryPageAndEachHasAName) {
  ShowAndActivate();
  for (QWidget* page : {generator->Constant, generator->Sweep, generator->Noise}) {
    generator->SignalType->SetActivePage(page);
    const QSet<QWidget*> reached = Reached(generator.get());
    for (QWidget* stop : TabStops(generator.get())) {
      EXPECT_TRUE(reached.contains(stop)) << stop->objectName().toStdString() << " is not reached by Tab";
      EXPECT_FALSE(SpokenName(stop).isEmpty()) << stop->objectName().toStdString() << " has no spoken name";
    }
  }
}

// The Noise page from the keyboard alone: the tabs, the colour list, F5 to
// play and an arrow key to change colour while the noise plays.
TEST_F(KeyboardTest, TheNoisePageIsPlayedAndRetunedByKeyboard) {
  ShowAndActivate();
  generator->SignalType->Tabs()->setFocus(Qt::TabFocusReason);
  QTest::keyClick(generator->SignalType->Tabs(), Qt::Key_Right);
  QTest::keyClick(generator->SignalType->Tabs(), Qt::Key_Right);
  ASSERT_EQ(generator->SignalType->ActivePage(), generator->Noise);
  EXPECT_TRUE(generator->WaveForm->isHidden());
  QTest::keyClick(generator->SignalType->Tabs(), Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), generator->NoiseColour);
  QTest::keyClick(generator->NoiseColour, Qt::Key_Down);
  EXPECT_EQ(generator->NoiseColour->currentText(), "Pink");

  auto queuedNoise = [this](int32_t colour) {
    PanelState state;
    state.SignalType = SignalPage::Noise;
    state.NoiseColour = colour;
    PcmBuffer buffer;
    SynthesizeSignal(state, {}, buffer);
    return std::vector<uint8_t>(buffer.Data(), buffer.Data() + buffer.Size()) == waveOut.LastCall("Write")->buffer;
  };
  QTest::keyClick(generator->NoiseColour, Qt::Key_F5);
  ASSERT_TRUE(engine().Playing);
  EXPECT_TRUE(queuedNoise(kPink));
  EXPECT_EQ(waveOut.LastCall("Write")->loops, kLoopForever);
  QTest::keyClick(generator->NoiseColour, Qt::Key_Down);  // retunes at once
  EXPECT_TRUE(engine().Playing);
  EXPECT_TRUE(queuedNoise(kBrown));

  generator->SignalType->Tabs()->setFocus(Qt::TabFocusReason);
  QTest::keyClick(generator->SignalType->Tabs(), Qt::Key_Left);
  EXPECT_FALSE(generator->WaveForm->isHidden());  // back on the Sweep page
  QTest::keyClick(generator->SignalType->Tabs(), Qt::Key_F5);
  EXPECT_FALSE(engine().Playing);
}

// Ctrl+X cuts inside a text box, as everywhere else on the desktop; on any
// other control it is File > Exit.
TEST_F(KeyboardTest, CtrlXCutsInATextBoxAndExitsElsewhere) {
  ShowAndActivate();
  QLineEdit* box = generator->Duration;
  box->setFocus(Qt::TabFocusReason);
  box->selectAll();
  QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(box->text(), "");
  EXPECT_EQ(QApplication::clipboard()->text(), "1");
  EXPECT_TRUE(generator->isVisible());
  generator->Loop->setFocus(Qt::TabFocusReason);
  QTest::keyClick(generator->Loop, Qt::Key_X, Qt::ControlModifier);
  EXPECT_FALSE(generator->isVisible());
}

// The save dialogs ask before they replace a file.
TEST_F(KeyboardTest, SaveDialogsAskBeforeReplacing) {
  generator->SaveWaveFile1Click();
  generator->SaveSweepSettingsAs1Click();
  ASSERT_EQ(dialogs.fileDialogs.size(), 2u);
  EXPECT_TRUE(dialogs.fileDialogs[0].confirmOverwrite);
  EXPECT_TRUE(dialogs.fileDialogs[1].confirmOverwrite);
}

TEST_F(KeyboardTest, EveryOtherWindowIsReachableByTabAndNamed) {
  ShowAndActivate();
  generator->FreqSlider1Click();
  generator->Compatibilitysettings1Click();
  script->show();
  about->show();
  for (QWidget* window : std::initializer_list<QWidget*>{freqPopup, settings, script, about}) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window)) << window->objectName().toStdString();
    const QList<QWidget*> stops = TabStops(window);
    EXPECT_FALSE(stops.isEmpty()) << window->objectName().toStdString();
    const QSet<QWidget*> reached = Reached(window);
    for (QWidget* stop : stops) {
      EXPECT_TRUE(reached.contains(stop)) << window->objectName().toStdString() << ": "
                                          << stop->objectName().toStdString() << " is not reached by Tab";
      EXPECT_FALSE(SpokenName(stop).isEmpty()) << stop->objectName().toStdString() << " has no spoken name";
    }
  }
}

TEST_F(KeyboardTest, EveryWindowShowsTheProgramsIcon) {
  SetWindowIcon();
  ShowHelpTopic("Kelvo.HLP", "IDH_1");
  for (QWidget* window : QApplication::topLevelWidgets()) {
    // 16 to 256 pixels (the window icon leaves out 512, see SetWindowIcon).
    EXPECT_FALSE(window->windowIcon().isNull()) << window->objectName().toStdString();
    EXPECT_EQ(window->windowIcon().availableSizes().size(), 8) << window->objectName().toStdString();
  }
}

// The thumb is wholly inside the window at both ends of the scale.
TEST_F(KeyboardTest, TheSlidersThumbIsWhollyVisibleAtBothEnds) {
  generator->FreqSlider1Click();
  QSlider* slider = freqPopup->FreqSlider;
  for (const int position : {slider->minimum(), slider->maximum()}) {
    slider->setValue(position);
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = position;
    option.sliderValue = position;
    option.tickPosition = slider->tickPosition();
    const QRect thumb = slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
    const QRect inWindow(slider->mapTo(freqPopup, thumb.topLeft()), thumb.size());
    EXPECT_GE(inWindow.left(), 0) << position;
    EXPECT_LE(inWindow.right(), freqPopup->width() - 1) << position;
  }
  EXPECT_EQ(slider->geometry().right(), freqPopup->width() - 1);  // no empty strip at the right
}

TEST_F(KeyboardTest, AWindowPlacedBeyondItsScreenIsBroughtOnto) {
  const QRect room = settings->screen()->availableGeometry();
  settings->move(room.right() - 20, room.bottom() - 10);
  generator->Compatibilitysettings1Click();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(settings));
  QTest::qWait(50);
  EXPECT_TRUE(room.contains(settings->frameGeometry()))
      << settings->frameGeometry().x() << "," << settings->frameGeometry().y() << " " << settings->frameGeometry().width()
      << "x" << settings->frameGeometry().height() << " in " << room.width() << "x" << room.height();
}

}  // namespace
}  // namespace sondrel
