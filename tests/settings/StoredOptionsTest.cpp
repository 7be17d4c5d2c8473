// The stored options' one home: what a signal is made with, and a save that
// a later load reads back, without touching what a user never chose.
#include "settings/StoredOptions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/AppError.h"
#include "tests/support/CasePrinting.h"

namespace sondrel {
namespace {

namespace fs = std::filesystem;

struct RateCase {
  const char* name;
  int32_t stored;      // one of kSampleRates, or kDeviceRate
  int32_t deviceRate;  // 0: the sound system does not say
  int32_t made;
};

class SignalRateTest : public ::testing::TestWithParam<RateCase> {};

TEST_P(SignalRateTest, TheChosenRateOrTheDevicesElse44100) {
  StoredOptions options;
  options.alwaysStereo = true;
  options.sampleRate = GetParam().stored;
  const SignalOptions signal = options.ForSignals(GetParam().deviceRate);
  EXPECT_EQ(signal.rate, GetParam().made);
  EXPECT_TRUE(signal.alwaysStereo);
  EXPECT_FALSE(signal.longBuffer);
}

INSTANTIATE_TEST_SUITE_P(Rates, SignalRateTest,
                         ::testing::Values(RateCase{"DefaultOnAnyDevice", 44100, 48000, 44100},
                                           RateCase{"ChosenWithoutDevice", 96000, 0, 96000},
                                           RateCase{"TheDevicesOwn", kDeviceRate, 48000, 48000},
                                           RateCase{"TheDevicesUnknown", kDeviceRate, 0, 44100}),
                         [](const auto& test) { return std::string(test.param.name); });

class StoredOptionsSaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }
  std::string Text() const {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  fs::path folder = fs::temp_directory_path() / ("sondrel-stored-options-" + std::to_string(getpid()));
  std::string path = (folder / "settings").string();
};

TEST_F(StoredOptionsSaveTest, WhatIsSavedLoadsBack) {
  SaveStoredOptions(path, StoredOptions{true, false, kDeviceRate, {}});
  const StoredOptions loaded = LoadStoredOptions(path);
  EXPECT_TRUE(loaded.alwaysStereo);
  EXPECT_FALSE(loaded.longBuffer);
  EXPECT_TRUE(loaded.FollowsDevice());
  EXPECT_EQ(loaded.error, "");
}

TEST_F(StoredOptionsSaveTest, TheDefaultRateIsWrittenOnlyOnceARateWasChosen) {
  SaveStoredOptions(path, StoredOptions{});
  EXPECT_EQ(Text().find("SampleRate"), std::string::npos) << Text();
  SaveStoredOptions(path, StoredOptions{false, false, 48000, {}});
  SaveStoredOptions(path, StoredOptions{});  // back to 44100: the value stays, as the choice
  EXPECT_NE(Text().find("SampleRate=dword:0000ac44"), std::string::npos) << Text();
  EXPECT_EQ(LoadStoredOptions(path).sampleRate, 44100);
}

struct SpeakersCase {
  const char* name;
  const char* stored;  // the value line, or nullptr for none
  std::vector<std::string> devicePositions;
  SpeakerLayoutId made;
};

class StoredSpeakersTest : public StoredOptionsSaveTest, public ::testing::WithParamInterface<SpeakersCase> {};

// Missing, of another type or another number: Stereo; the device's layout
// when its positions form one, else Stereo.
TEST_P(StoredSpeakersTest, ChooseTheLayoutOfEverySignal) {
  std::ofstream(path) << "[Software\\Kelvo]\nAlwaysStereo=dword:0\nLongBuffer=dword:0\n"
                      << (GetParam().stored != nullptr ? GetParam().stored : "") << "\n";
  const StoredOptions loaded = LoadStoredOptions(path);
  EXPECT_EQ(loaded.error, "");
  EXPECT_EQ(loaded.ForSignals(0, GetParam().devicePositions).speakers, GetParam().made);
}

const std::vector<std::string> kFiveOne = {"FL", "FR", "FC", "LFE", "RL", "RR"};

INSTANTIATE_TEST_SUITE_P(
    Values, StoredSpeakersTest,
    ::testing::Values(SpeakersCase{"Missing", nullptr, kFiveOne, SpeakerLayoutId::Stereo},
                      SpeakersCase{"FivePointOne", "Speakers=dword:00000003", {}, SpeakerLayoutId::FivePointOne},
                      SpeakersCase{"SevenPointOne", "Speakers=dword:4", kFiveOne, SpeakerLayoutId::SevenPointOne},
                      SpeakersCase{"AnotherNumber", "Speakers=dword:00000005", {}, SpeakerLayoutId::Stereo},
                      SpeakersCase{"AnotherType", "Speakers=sz:5.1", {}, SpeakerLayoutId::Stereo},
                      SpeakersCase{"LongerThanFourBytes", "Speakers=hex:03,00,00,00,00", {}, SpeakerLayoutId::Stereo},
                      SpeakersCase{"TheDevicesLayout", "Speakers=dword:000000ff", kFiveOne, SpeakerLayoutId::FivePointOne},
                      SpeakersCase{"TheDevicesLayoutInAnotherOrder", "Speakers=dword:000000ff",
                                   {"FL", "FR", "RL", "RR", "FC", "LFE"}, SpeakerLayoutId::Stereo},
                      SpeakersCase{"NoDeviceToFollow", "Speakers=dword:000000ff", {}, SpeakerLayoutId::Stereo}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(StoredOptionsSaveTest, TheSpeakersAreWrittenOnlyOnceALayoutWasChosen) {
  SaveStoredOptions(path, StoredOptions{});
  EXPECT_EQ(Text().find("Speakers"), std::string::npos) << Text();
  StoredOptions followed;
  followed.speakersFollowDevice = true;
  SaveStoredOptions(path, followed);
  EXPECT_TRUE(LoadStoredOptions(path).speakersFollowDevice);
  SaveStoredOptions(path, StoredOptions{});  // back to Stereo: the value stays, as the choice
  EXPECT_NE(Text().find("Speakers=dword:00000000"), std::string::npos) << Text();
}

// The fade: one of the choices, otherwise none; written once it was chosen,
// and every signal is made with it.
TEST_F(StoredOptionsSaveTest, TheFadeIsOneOfTheChoicesAndWrittenOnceChosen) {
  SaveStoredOptions(path, StoredOptions{});
  EXPECT_EQ(Text().find("Fade"), std::string::npos) << Text();
  StoredOptions faded;
  faded.fadeMs = 20;
  SaveStoredOptions(path, faded);
  EXPECT_NE(Text().find("Fade=dword:00000014"), std::string::npos) << Text();
  EXPECT_EQ(LoadStoredOptions(path).ForSignals(0).fadeMs, 20);
  SaveStoredOptions(path, StoredOptions{});  // back to none: the value stays, as the choice
  EXPECT_NE(Text().find("Fade=dword:00000000"), std::string::npos) << Text();
  for (const char* stored : {"Fade=dword:00000007", "Fade=sz:20", "Fade=hex:14,00,00,00,00"}) {
    std::ofstream(path) << "[Software\\Kelvo]\nAlwaysStereo=dword:0\nLongBuffer=dword:0\n" << stored << "\n";
    EXPECT_EQ(LoadStoredOptions(path).fadeMs, 0) << stored;
    EXPECT_EQ(LoadStoredOptions(path).error, "") << stored;
  }
}

TEST_F(StoredOptionsSaveTest, AnUnreadableFileIsLeftAsItWas) {
  fs::create_directories(path);  // a folder where the file should be: it cannot be read
  EXPECT_THROW(SaveStoredOptions(path, StoredOptions{}), AppError);
  EXPECT_TRUE(fs::is_directory(path));
}

}  // namespace
}  // namespace sondrel
