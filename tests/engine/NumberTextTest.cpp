#include "engine/NumberText.h"

#include <gtest/gtest.h>

#include <limits>

#include "engine/AppError.h"
#include "tests/support/CasePrinting.h"

namespace sondrel {
namespace {

struct FloatCase {
  const char* text;
  char separator;
  long double expected;
};
void PrintTo(const FloatCase& c, std::ostream* out) { *out << "'" << c.text << "'"; }

class ValidFloatTest : public ::testing::TestWithParam<FloatCase> {};

TEST_P(ValidFloatTest, Converts) {
  SetDecimalSeparator(GetParam().separator);
  EXPECT_EQ(StrToFloat(GetParam().text), GetParam().expected) << GetParam().text;
  SetDecimalSeparator('.');
}

INSTANTIATE_TEST_SUITE_P(Grammar, ValidFloatTest,
                         ::testing::Values(FloatCase{"1000", '.', 1000.0L},
                                           FloatCase{"  -3.5  ", '.', -3.5L},
                                           FloatCase{"+2", '.', 2.0L},
                                           FloatCase{".5", '.', 0.5L},
                                           FloatCase{"5.", '.', 5.0L},
                                           FloatCase{"1e3", '.', 1000.0L},
                                           FloatCase{"2.5E-1", '.', 0.25L},
                                           FloatCase{"1E+2", '.', 100.0L},
                                           FloatCase{"1000,5", ',', 1000.5L},
                                           FloatCase{"0.1", '.', 0.1L},
                                           FloatCase{"1e-6000", '.', 0.0L}), CaseName());

struct InvalidCase {
  const char* text;
  char separator;
};
void PrintTo(const InvalidCase& c, std::ostream* out) { *out << "'" << c.text << "'"; }

class InvalidFloatTest : public ::testing::TestWithParam<InvalidCase> {};

TEST_P(InvalidFloatTest, RaisesTheConversionError) {
  SetDecimalSeparator(GetParam().separator);
  try {
    StrToFloat(GetParam().text);
    ADD_FAILURE() << "accepted " << GetParam().text;
  } catch (const AppError& error) {
    EXPECT_EQ(error.what(), "'" + std::string(GetParam().text) + "' is not a valid floating point value");
  }
  SetDecimalSeparator('.');
}

INSTANTIATE_TEST_SUITE_P(Grammar, InvalidFloatTest,
                         ::testing::Values(InvalidCase{"", '.'}, InvalidCase{"   ", '.'},
                                           InvalidCase{"abc", '.'}, InvalidCase{"inf", '.'},
                                           InvalidCase{"nan", '.'}, InvalidCase{"0x1p3", '.'},
                                           InvalidCase{"12abc", '.'}, InvalidCase{"1.5", ','},
                                           InvalidCase{"1,5", '.'}, InvalidCase{"1e", '.'},
                                           InvalidCase{"1e+", '.'}, InvalidCase{"--1", '.'},
                                           InvalidCase{"- 1", '.'}, InvalidCase{".", '.'},
                                           InvalidCase{"1 000", '.'}, InvalidCase{"\t1", '.'},
                                           InvalidCase{"1e99999", '.'}), CaseName());

TEST(StrToIntTest, AcceptsDecimalIntegersWithBlanksAndSign) {
  EXPECT_EQ(StrToInt("0"), 0);
  EXPECT_EQ(StrToInt("-6"), -6);
  EXPECT_EQ(StrToInt(" +20 "), 20);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
}

TEST(StrToIntTest, RejectsEverythingElseWithTheIntegerMessage) {
  for (const char* text : {"", "-3.5", "abc", "2147483648", "+-1", "1e2", "$10", "- 1", "--1"}) {
    try {
      StrToInt(text);
      ADD_FAILURE() << "accepted " << text;
    } catch (const AppError& error) {
      EXPECT_EQ(error.what(), "'" + std::string(text) + "' is not a valid integer value");
    }
  }
}

TEST(RoundTest, GoesToTheNearestIntegerWithHalvesToEven) {
  EXPECT_EQ(Round(2.5L), 2);
  EXPECT_EQ(Round(3.5L), 4);
  EXPECT_EQ(Round(1000.5L), 1000);
  EXPECT_EQ(Round(1001.5L), 1002);
  EXPECT_EQ(Round(-2.5L), -2);
  EXPECT_EQ(Round(-0.4L), 0);
  EXPECT_EQ(Round(15.7L), 16);
  EXPECT_EQ(Round(2147483647.4L), 2147483647);
  EXPECT_EQ(Round(-2147483648.5L), -2147483647 - 1);
}

TEST(RoundTest, OutOfRangeIsAnInvalidOperation) {
  for (long double value : {2147483647.5L, -2147483649.0L, 1e30L,
                            std::numeric_limits<long double>::quiet_NaN(),
                            std::numeric_limits<long double>::infinity()}) {
    try {
      Round(value);
      ADD_FAILURE() << "rounded " << static_cast<double>(value);
    } catch (const AppError& error) {
      EXPECT_STREQ(error.what(), "Invalid floating point operation");
    }
  }
}

TEST(ErrorReportTextTest, AddsAFullStopOnlyAfterCharactersSortingAfterIt) {
  EXPECT_EQ(ErrorReportText("'x' is not a valid integer value"), "'x' is not a valid integer value.");
  EXPECT_EQ(ErrorReportText("File not found"), "File not found.");
  EXPECT_EQ(ErrorReportText("Done."), "Done.");
  EXPECT_EQ(ErrorReportText("What?"), "What?.");
  EXPECT_EQ(ErrorReportText("'abc'"), "'abc'");  // a quote sorts before the stop
  EXPECT_EQ(ErrorReportText("Stop!"), "Stop!");
  EXPECT_EQ(ErrorReportText(""), "");
}

}  // namespace
}  // namespace sondrel

namespace sondrel {
namespace {

// A message quotes at most 200 bytes of a user's text, cut between two
// UTF-8 characters, so a huge word cannot freeze the window showing it.
TEST(MessageExcerptTest, QuotesLongTextsByTheirStart) {
  EXPECT_EQ(MessageExcerpt(std::string(200, 'x')), std::string(200, 'x'));
  EXPECT_EQ(MessageExcerpt(std::string(201, 'x')), std::string(200, 'x') + "...");
  const std::string huge(1000000, '7');
  try {
    StrToFloat(huge + "x");
    FAIL() << "no error";
  } catch (const AppError& error) {
    EXPECT_EQ(std::string(error.what()), "'" + std::string(200, '7') + "...' is not a valid floating point value");
  }
  // "ä" is two bytes: the cut does not split it.
  std::string accents;
  for (int i = 0; i < 150; ++i) accents += "\xC3\xA4";
  EXPECT_EQ(MessageExcerpt("a" + accents), "a" + accents.substr(0, 198) + "...");
}

}  // namespace
}  // namespace sondrel
