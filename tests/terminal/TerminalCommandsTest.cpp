// The front executable's own commands, as a terminal runs them: help and
// version without a display, command lines it does not understand, paths
// of any bytes handed to the window, and the libraries it leaves unloaded.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>

#include "terminal/TerminalCommands.h"
#include "tests/support/CasePrinting.h"
#include "tests/terminal/TerminalTest.h"

namespace sondrel {
namespace {

class TerminalCommandsTest : public TerminalTest {};

struct UsageCase {
  const char* arguments;
  int status;
};
void PrintTo(const UsageCase& c, std::ostream* out) { *out << "'" << c.arguments << "'"; }

class UsageTest : public TerminalCommandsTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(UsageTest, CommandLinesThatAreNotUnderstoodSaySo) {
  const Result result = Sondrel(GetParam().arguments);
  EXPECT_EQ(result.status, GetParam().status) << result.err;
  EXPECT_NE(result.err.find("sondrel --help"), std::string::npos) << result.err;
}

INSTANTIATE_TEST_SUITE_P(Lines, UsageTest,
                         ::testing::Values(UsageCase{"--render", 2}, UsageCase{"--render x.kvs", 2},
                                           UsageCase{"--render x.kvs -o out.mp3", 2},
                                           UsageCase{"--render x.kvs -o out.wav --max-seconds -1", 2},
                                           UsageCase{"--render x.kvs -o out.wav --max-seconds 0", 2},
                                           UsageCase{"--render x.kvs -o out.wav --max-seconds nan", 2},
                                           UsageCase{"--render x.kvs -o out.wav --max-seconds inf", 2},
                                           UsageCase{"--render x.kvs -o out.wav --max-seconds 1e-300", 2},
                                           UsageCase{"--render x.kvs -o out.wav --max-seconds 0x10", 2},
                                           UsageCase{"--render x.kvs -o out.wav --max-seconds ' 5'", 2},
                                           UsageCase{"--render x.kvs -o out.wav --loud", 2},
                                           UsageCase{"--render x.kvs -o out.wav --rate 0", 2},
                                           UsageCase{"--render x.kvs -o out.wav --format s32", 2},
                                           UsageCase{"--render x.kvs -o out.flac --format f32", 2},
                                           UsageCase{"--render x.kvs -o out.wav --rate 48k", 2},
                                           UsageCase{"--render x.kvs -o out.wav --rate 1000000", 2},
                                           UsageCase{"--version now", 2},
                                           UsageCase{"--render x.kvs -o", 2},
                                           UsageCase{"--render x.kvs -o out.wav --rate=", 2},
                                           UsageCase{"--render x.kvs -o out.wav --loud=1", 2},
                                           UsageCase{"--render x.kvs -o out.wav --rate=48000 --rate 44100", 2},
                                           UsageCase{"--render= -o out.wav", 2},
                                           UsageCase{"--render=x.kvs -o out.wav --rate 7", 2},
                                           UsageCase{"--play=x.kvs --speakers 6.2", 2},
                                           UsageCase{"--render x.kvs -o out.wav --type ogg", 2},
                                           UsageCase{"--render x.kvs -o out.wav --speakers 9.1", 2},
                                           UsageCase{"--render x.kvs -o out.flac --speakers 2.1", 2},
                                           UsageCase{"--play", 2},
                                           UsageCase{"--play x.kvs --device", 2},
                                           UsageCase{"--play x.kvs --speakers 6.1", 2},
                                           UsageCase{"--play x.kvs --rate 48000", 2},
                                           UsageCase{"--walk x.kvs", 2},
                                           UsageCase{"--walk --speakers 6.1", 2},
                                           UsageCase{"--walk --device", 2}),
                         [](const auto& test) {
                           std::string name;
                           for (const char c : std::string(test.param.arguments)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

TEST_F(TerminalCommandsTest, HelpAndVersionNeedNoDisplay) {
  const Result version = Sondrel("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "Sondrel 2.4\n");
  const Result help = Sondrel("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out, UsageText());
  for (const char* word : {"--render", "--play", "--type", "--device", "--list-devices", "SONDREL_NONINTERACTIVE",
                           "SDL_AUDIODRIVER", "LC_NUMERIC", "Exit status", "GNU General Public License"}) {
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  }
}

// -h as well as --help, and a write error on standard output reported as
// a failure, as Unix tools do.
TEST_F(TerminalCommandsTest, HelpFailsWhenStandardOutputCannotTakeIt) {
  const Result help = Sondrel("-h");
  EXPECT_EQ(help.status, 0) << help.err;
  EXPECT_EQ(help.out, UsageText());
  const std::string full = "env -u DISPLAY " + std::string(SONDREL_EXECUTABLE) + " --help >/dev/full 2>'" +
                           (folder / "stderr").string() + "'";
  const int status = std::system(full.c_str());
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1);
  EXPECT_EQ(Read(folder / "stderr"), "sondrel: standard output: No space left on device\n");
}

// A script named on the command line plays whatever bytes its path holds,
// and no part of the path is taken for an option of the window system's.
class PathBytesTest : public TerminalCommandsTest, public ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(PathBytesTest, TheScriptNamedPlays) {
  const auto [fileName, arguments] = GetParam();  // arguments in bash's $'...' quoting
  std::ofstream(folder / fileName, std::ios::binary) << "tone 1000 0.05 -6 0\r\nend\r\n";
  const fs::path audio = folder / "audio.raw";
  const std::string command = "cd '" + folder.string() + "' && QT_QPA_PLATFORM=offscreen SONDREL_NONINTERACTIVE=1 " +
                              "SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE='" + audio.string() + "' SDL_DISKAUDIODELAY=0 " +
                              "HOME='" + folder.string() + "' XDG_CONFIG_HOME='" + (folder / "config").string() +
                              "' XDG_DATA_HOME='" + (folder / "data").string() + "' timeout -s KILL 60 " +
                              SONDREL_EXECUTABLE + " " + arguments + " 2>/dev/null";
  const int status = std::system(("bash -c \"" + command + "\"").c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_GT(fs::file_size(audio), 0u) << "nothing was played";
}

INSTANTIATE_TEST_SUITE_P(Paths, PathBytesTest,
                         ::testing::Values(std::make_pair("caf\xe9.kvs", "$'caf\\xe9.kvs'"),
                                           std::make_pair("x -reverse y.kvs", "x -reverse y.kvs"),
                                           std::make_pair("a -style fusion.kvs", "a -style fusion.kvs")), CaseName());

// Terminal commands load neither the window toolkit nor the sound and
// codec libraries they do not use.
TEST_F(TerminalCommandsTest, TerminalCommandsLoadNoLibraryTheyDoNotUse) {
  Script("tone 1000 0.1 -6 0\r\nend\r\n");
  for (const char* arguments : {"--version", "--help", "--render test.kvs -o out.wav"}) {
    environment = "LC_ALL=C LD_DEBUG=libs";
    const Result result = Sondrel(arguments);
    EXPECT_EQ(result.status, 0) << arguments;
    for (const char* library : {"libQt6", "libSDL2", "libsndfile"}) {
      EXPECT_EQ(result.err.find(library), std::string::npos) << arguments << " loaded " << library;
    }
    EXPECT_NE(result.err.find("libc.so"), std::string::npos) << "no loader trace";
  }
}

// The manual page says what --help says.
TEST(ManualPageTest, NamesEveryOptionAndVariable) {
  std::ifstream page(SONDREL_SOURCE_DIR "/data/sondrel.1");
  std::stringstream text;
  text << page.rdbuf();
  for (const char* word : {"\\-\\-help", "\\-\\-version", "\\-\\-list\\-devices", "\\-\\-render", "\\-\\-max\\-seconds", "\\-\\-rate",
                           "\\-\\-type", "\\-\\-play", "\\-\\-device", "LC_NUMERIC",
                           "SONDREL_NONINTERACTIVE", "SDL_AUDIODRIVER", "SDL_DISKAUDIOFILE", "XDG_CONFIG_HOME",
                           "QT_QPA_PLATFORM", "128"}) {
    EXPECT_NE(text.str().find(word), std::string::npos) << word;
  }
}

// The manual page describes the script language a terminal user writes:
// each command as an item of its own.
TEST(ManualPageTest, DescribesEveryScriptCommand) {
  std::ifstream page(SONDREL_SOURCE_DIR "/data/sondrel.1");
  std::stringstream text;
  text << page.rdbuf();
  const std::string scripts = text.str().substr(text.str().find(".SH SCRIPTS"));
  for (const char* item : {".TP\n.BI \"tone ", ".TP\n.BI \"sweep ", ".TP\n.BI \"logsweep ", ".TP\n.BI \"noise ",
                           ".TP\n.BI \"speakers ", ".TP\n.BI \"delay ", ".TP\n.B pause\n", ".TP\n.B repeat\n",
                           ".TP\n.BI \"rem ", ".TP\n.B end\n"}) {
    EXPECT_NE(scripts.find(item), std::string::npos) << item;
  }
}

// A file named like an option is a file argument as it always was: the
// window opens (and ignores a name that is neither a script nor presets).
TEST_F(TerminalCommandsTest, AFileNamedLikeAnOptionKeepsItsMeaning) {
  std::ofstream(folder / "--help") << "not an option";
  const std::string command = "cd '" + folder.string() + "' && QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=disk " +
                              "SDL_DISKAUDIOFILE=/dev/null HOME='" + folder.string() + "' XDG_CONFIG_HOME='" +
                              (folder / "config").string() + "' XDG_DATA_HOME='" + (folder / "data").string() +
                              "' timeout -s KILL 2 " + SONDREL_EXECUTABLE + " --help >'" +
                              (folder / "stdout").string() + "' 2>/dev/null";
  const int status = std::system(command.c_str());
  EXPECT_TRUE((WIFEXITED(status) && WEXITSTATUS(status) == 128 + 9) || WIFSIGNALED(status)) << status;
  EXPECT_EQ(Read(folder / "stdout"), "");  // no usage text: the window was up until killed
}

}  // namespace
}  // namespace sondrel
