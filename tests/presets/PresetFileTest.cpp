#include "presets/PresetFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/AppError.h"
#include "tests/support/CasePrinting.h"
#include "tests/support/TemporaryFolder.h"

namespace sondrel {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

MemoryRecord Slot(const std::string& name) {
  MemoryRecord memory;
  memory.Name = name;
  memory.fInit = "100";
  memory.fFinal = "10000";
  memory.Duration = "1";
  memory.Amplitude = "0";
  memory.Loop = memory.Left = memory.Right = memory.InPhase = true;
  return memory;
}

// 44 lines of a file in which only the given line (1-based) differs from a
// fresh start's.
std::string FileWithLine(int number, const std::string& text) {
  std::string file;
  const char* record[] = {"Memory 1", "100", "10000", "1", "0", "0", "-1", "-1", "-1", "-1", "0"};
  for (int line = 1; line <= 44; ++line) file += (line == number ? text : record[(line - 1) % 11]) + std::string("\r\n");
  return file;
}

TEST(PresetFileTest, FreshSlotIsWrittenAsElevenLines) {
  MemoryBank memories;
  for (int slot = 1; slot <= 4; ++slot) memories[slot] = Slot("Memory " + std::to_string(slot));
  const std::vector<uint8_t> bytes = FormatPresets(memories);
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_EQ(text.substr(0, text.find("Memory 2")), "Memory 1\r\n100\r\n10000\r\n1\r\n0\r\n0\r\n-1\r\n-1\r\n-1\r\n-1\r\n0\r\n");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 44);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST(PresetFileTest, EveryKindOfFieldSurvivesARoundTrip) {
  MemoryBank memories;
  memories[1] = Slot("Room sweep, left");
  memories[1].fInit = "20.5";
  memories[1].Logarithmic = true;
  memories[2] = Slot("");  // empty texts
  memories[2].fInit = memories[2].fFinal = memories[2].Duration = memories[2].Amplitude = "";
  memories[2].WaveForm = -1;
  memories[3] = Slot("not numbers");
  memories[3].fFinal = "ten k";
  memories[3].Amplitude = "-3.5";
  memories[3].WaveForm = 3;
  memories[3].Loop = memories[3].InPhase = false;
  memories[4] = Slot("  spaces  ");
  memories[4].WaveForm = 2;
  memories[4].Left = memories[4].Right = false;
  EXPECT_EQ(ParsePresets(FormatPresets(memories)), memories);

  // Every combination of the five flags.
  for (int bits = 0; bits < 32; ++bits) {
    MemoryBank flags;
    MemoryRecord& memory = flags[2];
    memory.Loop = bits & 1, memory.Left = bits & 2, memory.Right = bits & 4;
    memory.InPhase = bits & 8, memory.Logarithmic = bits & 16;
    EXPECT_EQ(ParsePresets(FormatPresets(flags)), flags) << bits;
  }
}

struct FlagCase {
  const char* text;
  bool value;
};
void PrintTo(const FlagCase& c, std::ostream* out) { *out << "'" << c.text << "'"; }

class FlagLineTest : public ::testing::TestWithParam<FlagCase> {};

TEST_P(FlagLineTest, AnyNonZeroIntegerIsTrue) {
  const MemoryBank memories = ParsePresets(Bytes(FileWithLine(7, GetParam().text)));
  EXPECT_EQ(memories[1].Loop, GetParam().value);
  EXPECT_TRUE(memories[1].Left);  // the lines after it are read as usual
}

INSTANTIATE_TEST_SUITE_P(Flags, FlagLineTest,
                         ::testing::Values(FlagCase{"1", true}, FlagCase{"5", true}, FlagCase{"-7", true},
                                           FlagCase{"0", false}, FlagCase{"$FF", true}, FlagCase{"$0", false},
                                           FlagCase{"  2 word", true}, FlagCase{"+0", false}), CaseName());

TEST(PresetFileTest, NonIntegersStopTheLoad) {
  for (const char* text : {"True", "1.5", "-", "$", "$123456789", "2147483648", "0x10", "-$1"}) {
    try {
      ParsePresets(Bytes(FileWithLine(7, text)));
      ADD_FAILURE() << "accepted " << text;
    } catch (const AppError& error) {
      EXPECT_STREQ(error.what(), "Invalid numeric input") << text;
    }
  }
}

TEST(PresetFileTest, WaveFormIsTakenUnchanged) {
  EXPECT_EQ(ParsePresets(Bytes(FileWithLine(6, "3")))[1].WaveForm, 3);
  EXPECT_EQ(ParsePresets(Bytes(FileWithLine(17, "-2147483648")))[2].WaveForm, -2147483647 - 1);
  EXPECT_EQ(ParsePresets(Bytes(FileWithLine(6, "$FFFFFFFF")))[1].WaveForm, -1);
}

TEST(PresetFileTest, EmptyFileGivesEmptySlots) {
  const MemoryBank memories = ParsePresets({});
  for (int slot = 1; slot <= 4; ++slot) EXPECT_EQ(memories[slot], MemoryRecord{});
}

TEST(PresetFileTest, EmptyLineBeforeAnIntegerIsSkippedAndShiftsTheRest) {
  // Slot 1 with an empty line where its waveform belongs.
  const std::string file = "Name\r\n100\r\n10000\r\n1\r\n0\r\n\r\n2\r\n-1\r\n0\r\n-1\r\n0\r\n7\r\nNext\r\n";
  const MemoryBank memories = ParsePresets(Bytes(file));
  EXPECT_EQ(memories[1].WaveForm, 2);
  EXPECT_TRUE(memories[1].Loop);
  EXPECT_FALSE(memories[1].Left);
  EXPECT_FALSE(memories[1].InPhase);
  EXPECT_TRUE(memories[1].Logarithmic);  // from the line after the record
  EXPECT_EQ(memories[2].Name, "Next");
}

TEST(PresetFileTest, LineFeedsAloneDoNotEndLines) {
  const MemoryBank memories = ParsePresets(Bytes("Name\n100\n10000\n1\n0\n0\n-1\n"));
  EXPECT_EQ(memories[1].Name, "Name\n100\n10000\n1\n0\n0\n-1\n");
  EXPECT_EQ(memories[1].fInit, "");
  EXPECT_EQ(memories[1].WaveForm, 0);
  EXPECT_FALSE(memories[4].Logarithmic);
}

TEST(PresetFileTest, ShortFilesAndCtrlZEndEarlyWithoutAnError) {
  const MemoryBank shortFile = ParsePresets(Bytes("One\r\n20\r\n"));
  EXPECT_EQ(shortFile[1].Name, "One");
  EXPECT_EQ(shortFile[1].fInit, "20");
  EXPECT_EQ(shortFile[1].fFinal, "");
  EXPECT_FALSE(shortFile[1].Loop);
  std::string file = FileWithLine(0, "");
  file.insert(file.find("10000"), "\x1A");
  const MemoryBank cut = ParsePresets(Bytes(file));
  EXPECT_EQ(cut[1].fFinal, "");
  EXPECT_EQ(cut[2].Name, "");
  // Lines after the 44th are ignored.
  EXPECT_EQ(ParsePresets(Bytes(FileWithLine(0, "") + "extra\r\n")), ParsePresets(Bytes(FileWithLine(0, ""))));
}

class PresetFileOnDiskTest : public ::testing::Test {
 protected:
  testing_support::TemporaryFolder temporary{"presets"};
  fs::path folder = temporary.Path();
};

TEST_F(PresetFileOnDiskTest, SaveAndLoadBack) {
  MemoryBank memories;
  memories[3] = Slot("Third");
  const fs::path file = folder / "set.kvp";
  SavePresets(file, memories);
  EXPECT_EQ(LoadPresets(file), memories);
}

TEST_F(PresetFileOnDiskTest, ErrorsNameTheirCause) {
  auto message = [](auto action) {
    try {
      action();
    } catch (const AppError& error) {
      return std::string(error.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(message([&] { LoadPresets(folder / "missing.kvp"); }), "File not found");
  EXPECT_EQ(message([&] { LoadPresets(folder / "no folder" / "x.kvp"); }), "Invalid filename");
  EXPECT_EQ(message([&] { SavePresets(folder / "no folder" / "x.kvp", {}); }), "Invalid filename");
  EXPECT_EQ(message([&] { LoadPresets(folder); }), "File access denied");  // a folder
}

}  // namespace
}  // namespace sondrel
