// The terminal's decimal separators are the window's: the same byte that the
// window takes from Qt's locale data, for the names a locale variable holds.
#include "terminal/NumberReading.h"

#include <gtest/gtest.h>

#include <QLocale>

namespace sondrel {
namespace {

char WindowSeparator(const char* name) {
  const QString point = QLocale(QString::fromLatin1(name)).decimalPoint();
  return point.size() == 1 ? point.at(0).toLatin1() : '.';
}

class NumberReadingTest : public ::testing::TestWithParam<const char*> {};

TEST_P(NumberReadingTest, TheSeparatorIsTheWindows) {
  EXPECT_EQ(DecimalSeparatorOf(GetParam()), WindowSeparator(GetParam())) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Locales, NumberReadingTest,
                         ::testing::Values("C", "POSIX", "C.UTF-8", "", "en_US.UTF-8", "en_GB", "de_DE.UTF-8",
                                           "de_CH.UTF-8", "de_CH@euro", "de_AT@euro", "fr_FR", "fr_CA.UTF-8", "nl_NL", "es_ES",
                                           "es_MX", "pt_BR", "ru_RU.UTF-8", "ar_EG", "fa_IR", "ja_JP.UTF-8",
                                           "sv_SE", "it_CH", "en_ZA", "de", "xx_YY", "de_XX", "sr_RS@latin"),
                         [](const auto& test) {
                           std::string name;
                           for (const char c : std::string(test.param)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name.empty() ? std::string("Empty") : name;
                         });

}  // namespace
}  // namespace sondrel
