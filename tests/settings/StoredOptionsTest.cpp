// The stored options' one home: what a signal is made with, and a save that
// a later load reads back, without touching what a user never chose.
#include "settings/StoredOptions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

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

TEST_F(StoredOptionsSaveTest, AnUnreadableFileIsLeftAsItWas) {
  fs::create_directories(path);  // a folder where the file should be: it cannot be read
  EXPECT_THROW(SaveStoredOptions(path, StoredOptions{}), AppError);
  EXPECT_TRUE(fs::is_directory(path));
}

}  // namespace
}  // namespace sondrel
