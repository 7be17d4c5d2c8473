// The logarithmic frequency slider and its round trip through fEdit.
#include <QCloseEvent>

#include "tests/panel/PanelFixture.h"
#include "tests/support/CasePrinting.h"

namespace sondrel {
namespace {

struct RoundTrip {
  int moved;
  const char* written;
  int after;
};

class SliderRoundTripTest : public PanelFixture, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(SliderRoundTripTest, WritesTheFrequencyAndFollowsIt) {
  freqPopup->FreqSlider->setValue(GetParam().moved);  // as the user's thumb does
  EXPECT_EQ(generator->fEdit->text(), GetParam().written);
  EXPECT_EQ(freqPopup->FreqSlider->value(), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(Positions, SliderRoundTripTest,
                         ::testing::Values(RoundTrip{1001, "20", 1001}, RoundTrip{1010, "20", 1010},
                                           RoundTrip{1011, "21", 1021}, RoundTrip{1500, "63", 1498},
                                           RoundTrip{2000, "200", 2000}, RoundTrip{2699, "1000", 2699},
                                           RoundTrip{3000, "2000", 3000}, RoundTrip{3500, "6325", 3500},
                                           RoundTrip{4000, "20000", 4000}), CaseName());

using FreqPopupTest = PanelFixture;

TEST_F(FreqPopupTest, LeftEndStopsAPlayingTone) {
  freqPopup->SetSliderPosition(2699);
  StartLoopingTone();
  freqPopup->FreqSlider->setValue(1000);
  EXPECT_EQ(generator->fEdit->text(), "20");
  EXPECT_FALSE(engine().Playing);
  EXPECT_EQ(freqPopup->FreqSlider->value(), 1000);
}

TEST_F(FreqPopupTest, MovingTheThumbRetunesAPlayingTone) {
  StartLoopingTone();
  freqPopup->FreqSlider->setValue(3000);
  EXPECT_TRUE(engine().Playing);
  EXPECT_EQ(Starts(), 1);
}

TEST_F(FreqPopupTest, TypingMovesTheThumbOnlyInsideTheRetuneRange) {
  generator->fEdit->clear();
  std::vector<int> positions;
  for (const char* text : {"3", "30", "300", "3000", "30000"}) {
    SetText(generator->fEdit, text);
    positions.push_back(freqPopup->FreqSlider->value());
  }
  EXPECT_EQ(positions, (std::vector<int>{1000, 1176, 2176, 3176, 3176}));
  generator->fEditExit();
  EXPECT_EQ(generator->fEdit->text(), "22000");
  EXPECT_EQ(freqPopup->FreqSlider->value(), 3176);
}

TEST_F(FreqPopupTest, SettingThePositionFromTheProgramWritesNothing) {
  freqPopup->SetSliderPosition(3500);
  EXPECT_EQ(generator->fEdit->text(), "1000");
  freqPopup->SetSliderPosition(5000);
  EXPECT_EQ(freqPopup->FreqSlider->value(), 4000);
}

TEST_F(FreqPopupTest, ClosingTheWindowClearsTheMenuMark) {
  generator->FreqSlider1Click();
  ASSERT_TRUE(freqPopup->isVisible());
  freqPopup->FreqSlider->setValue(3000);
  freqPopup->close();
  EXPECT_FALSE(freqPopup->isVisible());
  EXPECT_FALSE(generator->FreqSlider1->isChecked());
  generator->FreqSlider1Click();
  EXPECT_TRUE(freqPopup->isVisible());
  EXPECT_EQ(freqPopup->FreqSlider->value(), 3000);
  EXPECT_EQ(freqPopup->windowTitle(), "FreqPopup");
  EXPECT_EQ(freqPopup->FreqSlider->tickInterval(), 25);
  EXPECT_EQ(freqPopup->FreqSlider->pageStep(), 2);
}

}  // namespace
}  // namespace sondrel
