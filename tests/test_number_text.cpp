// Number texts of the boxes and the report, reading numbers (grouping commas, full-width
// forms), rounding halves to even, the same texts under a decimal-comma locale, texts
// echoed in messages, and code page 932.
#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <utility>

#include "decimal_comma_locale.h"
#include "echo_text.h"
#include "number_text.h"
#include "text_encoding.h"

namespace kurimo {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The tables are read in the C locale and again under a decimal-comma locale, as a window
// toolkit sets it from a German desktop's environment: the texts stay those of the C locale.
class NumberTexts : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (!GetParam()) return;
    static const test::DecimalCommaLocale locale;
    if (locale.Missing()) GTEST_SKIP() << test::DecimalCommaLocale::kMissing;
    ASSERT_EQ(locale.Problem(), "");
    locale.SetInEnvironment();
    ASSERT_NE(std::setlocale(LC_ALL, ""), nullptr);
    char buffer[16];  // the locale is in force: printf writes a comma
    std::snprintf(buffer, sizeof buffer, "%.1f", 1.5);
    ASSERT_STREQ(buffer, "1,5");
  }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

INSTANTIATE_TEST_SUITE_P(Locale, NumberTexts, ::testing::Bool(),
                         [](const auto& row) { return row.param ? "DecimalComma" : "C"; });

// Box and file forms: a blank or a minus sign, no zero before the point in the box, seven
// digits for singles; the exponent form from 1E+15 (1E+07) up and below 1E-04.
TEST_P(NumberTexts, BoxAndFileForms) {
  // clang-format off
  const std::tuple<double, const char*, const char*> both[] = {
      {18.0, " 18", " 18 "}, {0.126, " .126", " 0.126 "}, {-0.5, "-.5", "-0.5 "},
      {0.0, " 0", " 0 "}, {-3310.0, "-3310", "-3310 "}, {0.0001, " .0001", " 0.0001 "},
      {5958.00023674965, " 5958.00023674965", " 5958.00023674965 "},
      {1.5e15, " 1.5E+15", " 1.5E+15 "}, {-1.25e-7, "-1.25E-07", "-1.25E-07 "}};
  const std::pair<double, const char*> boxes[] = {
      {-0.0, " 0"}, {0.1 + 0.2, " .3"}, {-2.0 / 3.0, "-.666666666666667"},
      {999999999999999.0, " 999999999999999"}, {static_cast<double>(0.126f), " .126000002026558"},
      {999999999999999.9, " 1E+15"}, {123456789012345678.0, " 1.23456789012346E+17"},
      {0.000099, " 9.9E-05"}, {1e100, " 1E+100"}, {-1e-300, "-1E-300"},
      {kInf, " ∞"}, {-kInf, "-∞"}, {kNaN, " 非数"}};
  const std::pair<float, const char*> singles[] = {
      {0.126f, " .126"}, {1.0f / 3.0f, " .3333333"}, {9999999.0f, " 9999999"}, {1e7f, " 1E+07"},
      {16777216.0f, " 1.677722E+07"}, {1e-5f, " 1E-05"}};
  // clang-format on
  for (const auto& [value, box, file] : both) {
    EXPECT_EQ(NumberToText(value), box);
    EXPECT_EQ(NumberToFileText(value), file);
  }
  for (const auto& [value, box] : boxes)
    EXPECT_EQ(NumberToText(value), box);
  for (const auto& [value, box] : singles)
    EXPECT_EQ(NumberToText(value), box);
  EXPECT_EQ(NumberToFileText(0.126f), " 0.126 ");
}

// Every finite value's text reads back as a finite number. Fifteen digits of the four
// largest doubles round up to 1.79769313486232E+308, beyond every double: their last digit
// is rounded down. Seven digits of the largest single stay below it.
TEST(NumberToText, TheTextsOfTheLargestValuesReadBack) {
  constexpr double kMax = std::numeric_limits<double>::max();           // 1.7976931348623157e308
  const double third = std::nextafter(std::nextafter(kMax, 0.0), 0.0);  // ...153e308
  // clang-format off
  const std::tuple<double, bool, const char*> rows[] = {  // the value, a single?, its digits
      {kMax, false, "1.79769313486231E+308"}, {third, false, "1.79769313486231E+308"},
      {1.7976931348623149e308, false, "1.79769313486231E+308"},  // rounds down on its own
      {1.797693134862305e308, false, "1.7976931348623E+308"},
      {std::numeric_limits<float>::max(), true, "3.402823E+38"}};
  // clang-format on
  for (const auto& [magnitude, single, digits] : rows) {
    for (const double value : {magnitude, -magnitude}) {
      const auto asSingle = static_cast<float>(value);
      const std::string box = single ? NumberToText(asSingle) : NumberToText(value);
      const std::string file = single ? NumberToFileText(asSingle) : NumberToFileText(value);
      const std::string sign = value < 0 ? "-" : " ";
      EXPECT_EQ(box + "|" + file, sign + digits + "|" + sign + digits + " ");
      for (const std::string& text : {box, file}) {
        const std::optional<double> back = ParseNumberText(text);
        ASSERT_TRUE(back.has_value()) << text;
        EXPECT_EQ(*back, std::strtod(text.c_str(), nullptr)) << text;
        EXPECT_LE(std::fabs(*back), magnitude) << text;  // never past the value
      }
    }
  }
}

// Against the C library in the C locale, on values of every magnitude (random bit patterns
// and short decimals): the box text holds printf's correctly rounded 15 (7) digits; the
// shortest form reads back and is printf's exponent form with the fewest digits that read
// back, or a plain form no longer than that; the %g form is printf's.
TEST(NumberToText, RoundsAsPrintfDoesInTheCLocale) {
  std::mt19937_64 random(20240607);
  char buffer[64];
  for (int i = 0; i < 40000; ++i) {
    double value = std::bit_cast<double>(random());
    if (i % 2 == 1) value = static_cast<double>(random() % 100000000) / std::pow(10.0, i % 23);
    if (!std::isfinite(value) || std::fabs(value) >= 1.797693134862315e308) continue;
    std::snprintf(buffer, sizeof buffer, "%.14e", value);
    ASSERT_EQ(ParseNumberText(NumberToText(value)), std::strtod(buffer, nullptr)) << buffer;
    const float single = static_cast<float>(value);
    if (std::isfinite(single)) {
      std::snprintf(buffer, sizeof buffer, "%.6e", static_cast<double>(single));
      ASSERT_EQ(ParseNumberText(NumberToFileText(single)), std::strtod(buffer, nullptr)) << buffer;
    }
    std::string shortest;
    AppendShortestNumber(shortest, value);
    ASSERT_EQ(std::strtod(shortest.c_str(), nullptr), value) << shortest;
    for (int digits = 1;; ++digits) {  // printf's exponent form with the fewest digits
      std::snprintf(buffer, sizeof buffer, "%.*e", digits - 1, value);
      if (std::strtod(buffer, nullptr) == value || digits == 17) break;
    }
    ASSERT_TRUE(shortest.find('e') == std::string::npos ? shortest.size() <= std::strlen(buffer)
                                                        : shortest == buffer)
        << shortest << " " << buffer;
    const int significant = 1 + i % 17;
    std::snprintf(buffer, sizeof buffer, "%.*g", significant, value);
    ASSERT_EQ(SignificantNumberText(value, significant), buffer);
  }
}

// The form of the tables meant for other programs: plain unless the exponent is shorter;
// and printf's %g form.
TEST_P(NumberTexts, ShortestAndSignificantForms) {
  // clang-format off
  const std::pair<double, const char*> rows[] = {
      {0.1, "0.1"}, {6294.0, "6294"}, {123000.0, "123000"}, {10000.0, "10000"}, {1e5, "1e+05"},
      {1e15, "1e+15"}, {1e300, "1e+300"}, {0.001, "0.001"}, {1e-5, "1e-05"}, {0.0001234, "0.0001234"},
      {-2.5e-7, "-2.5e-07"}, {1.2345678901234568e20, "123456789012345683968"}, {1e23, "1e+23"},
      {5e-324, "5e-324"}, {1.7976931348623157e308, "1.7976931348623157e+308"}, {-0.0, "-0"},
      {kInf, "inf"}, {-kInf, "-inf"}, {kNaN, "nan"}, {-kNaN, "-nan"}};
  // clang-format on
  for (const auto& [value, expected] : rows) {
    std::string text = "x";
    AppendShortestNumber(text, value);
    EXPECT_EQ(text, std::string("x") + expected) << value;
  }
  std::string count;
  AppendShortestNumber(count, std::numeric_limits<std::uint64_t>::max());
  EXPECT_EQ(count, "18446744073709551615");
  EXPECT_EQ(SignificantNumberText(5.6396391, 7), "5.639639");
  EXPECT_EQ(SignificantNumberText(1234567.0, 3), "1.23e+06");
}

// Full-width forms read as their ASCII ones; any other character ends the number.
TEST_P(NumberTexts, LeadingNumberReadsTheNumberAtTheStartOfAText) {
  // clang-format off
  const std::pair<const char*, double> rows[] = {
      {" 2.4", 2.4}, {"1 2 3", 123.0}, {"\t-\n3", -3.0}, {"1 e 2", 100.0}, {"1,000", 1.0},
      {"2.4x", 2.4}, {"$5", 0.0}, {"", 0.0}, {".5", 0.5}, {"1.2.3", 1.2}, {"1D3", 1000.0},
      {"1d-2", 0.01}, {"1E-", 1.0}, {"&H1F", 31.0}, {"&hff", 255.0}, {"&o17", 15.0}, {"&O8", 0.0},
      {"-1e400", -kInf}, {"1e-400", 0.0}, {"1000e306", kInf}, {"0.001e310", 1e307}, {"−3", -3.0},
      {"１，０００", 1.0}, {"　１２．５　", 12.5}, {"1０", 10.0}, {"－２．５ｅ１", -25.0},
      {"＋１Ｄ２", 100.0}, {"１２％", 12.0}, {"\xEF\xBC\x31", 0.0}, {"1\xEF\xBC", 1.0}};
  // clang-format on
  for (const auto& [text, expected] : rows)
    EXPECT_EQ(LeadingNumber(text), expected) << "'" << text << "'";
}

// Commas group only thousands of the whole part; full-width forms count as their ASCII forms.
// The value is the correctly rounded double, as the compiler reads its literal.
TEST_P(NumberTexts, ParseNumberTextReadsWholeTextsInTheFixedFormatOnly) {
  const std::optional<double> no;
  // clang-format off
  const std::pair<const char*, std::optional<double>> rows[] = {
      {" 2.4", 2.4}, {"\t.5\t", 0.5}, {"5.", 5.0}, {"+5", 5.0}, {"1E+3", 1000.0},
      {"1.5D-3", 0.0015}, {"", no}, {"   ", no}, {".", no}, {"-", no}, {"+-5", no}, {"2.4x", no},
      {"1 000", no}, {"1e", no}, {"1e+", no}, {"1.2.3", no}, {"1\n", no}, {"inf", no},
      {"nan", no}, {"0x10", no}, {"-1e400", no}, {"1e-400", no}, {"1.8e308", no},
      {"1,000", 1000.0}, {"-1,234,567.25D-2", -12345.6725}, {" 1,000\t", 1000.0},
      {"1,000.", 1000.0}, {"-0,500", -500.0}, {"1,000e-5", 0.01}, {"2,000.1E+2", 200010.0},
      {"1,0,0", no}, {"0,5", no}, {"1,0e-3", no}, {"1,", no}, {",5", no}, {"1,,000", no},
      {"1,.5", no}, {"1234,567", no}, {"1,0000", no}, {"1,000,00", no}, {".5,000", no},
      {"1.000,5", no}, {"1e1,000", no}, {"-,500", no},
      {"１０００", 1000.0}, {"　１２．５　", 12.5}, {"１，０００", 1000.0}, {"＋５", 5.0},
      {"－５", -5.0}, {"−0.25", -0.25}, {"１．５Ｅ３", 1500.0}, {"１ｅ－３", 0.001},
      {"２ｄ－１", 0.2}, {"\t　７　\t", 7.0}, {"１，０，０", no}, {"０，５", no}, {"１　０", no},
      {"　", no}, {"１０％", no}, {"ｱ", no}, {"1\xEF\xBC", no}, {"\xEF\x31", no}, {"2.675", 2.675},
      {"9007199254740993", 9007199254740993.0}, {"2.2250738585072014e-308", 2.2250738585072014e-308}};
  // clang-format on
  for (const auto& [text, value] : rows) {
    const double number = TextToNumber(text);
    EXPECT_EQ(ParseNumberText(text), value) << "'" << text << "'";
    EXPECT_EQ(IsNumberText(text), value.has_value()) << "'" << text << "'";
    EXPECT_TRUE(value ? number == *value : std::isnan(number)) << "'" << text << "' " << number;
  }
}

// printf rounds the exact binary value with halves to even, so its text read back is the
// double the rounding must give: exact halves to even, near halves such as 0.15 (whose
// product with 10 rounds to 1.5) to the nearest.
TEST(RoundHalfEven, ExactHalvesGoToEvenOthersToNearest) {
  EXPECT_EQ(RoundHalfEven(4503599627370497.0, 0), 4503599627370497.0);
  EXPECT_EQ(RoundHalfEven(kInf, 2), kInf);
  EXPECT_TRUE(std::isnan(RoundHalfEven(kNaN, 2)));
  char buffer[64];
  for (int places = 0; places <= 4; ++places) {
    for (int k = -3000; k <= 3000; k += 7) {
      for (double value : {k / 1000.0, k / 8.0 + 0.0625, k * 0.3049 + 0.00005}) {
        std::snprintf(buffer, sizeof buffer, "%.*f", places, value);
        ASSERT_EQ(RoundHalfEven(value, places), std::strtod(buffer, nullptr)) << value;
      }
    }
  }
}

std::string Repeated(const std::string& piece, int times) {
  std::string out;
  while (times-- > 0)
    out += piece;
  return out;
}

// A byte that starts no valid character counts as one and is kept as it is; control
// characters show as their pictures.
TEST(EchoedText, KeepsFortyCharactersMarksACutAndShowsControlCharacters) {
  const std::string a40 = Repeated("a", 40);
  // clang-format off
  const std::pair<std::string, std::string> rows[] = {
      {a40, a40}, {a40 + "b", a40 + "…"}, {Repeated("é𝟘あ", 14), Repeated("é𝟘あ", 13) + "é…"},
      // Bytes that are no UTF-8 show as U+FFFD (�), each one character: a cut-off sequence
      // (E3 81) is one, a byte that cannot start or continue one (C0, AF, ED A0, 80) is one.
      {Repeated("\xFF", 41), Repeated("�", 40) + "…"},
      {"\xE3\x81" + Repeated("a", 40), "�" + Repeated("a", 39) + "…"},
      {"\xC0\xAF" + Repeated("b", 39), "��" + Repeated("b", 38) + "…"},
      {"\xED\xA0\x80" + Repeated("c", 38), "���" + Repeated("c", 37) + "…"},
      {"\x7f\tc", "␡\tc"}};
  // clang-format on
  for (const auto& [text, expected] : rows)
    EXPECT_EQ(EchoedText(text), expected) << text;
  EXPECT_EQ(EchoedText(std::string_view("a\0b\x1b[2J\n\x7f\tc", 11), 8), "a␀b␛[2J␊…");
}

// What goes to standard error: every invalid byte replaced as the JSON output replaces it,
// the rest (line ends and all) left alone.
TEST(ValidUtf8, ReplacesWhatIsNoUtf8AsTheJsonDoesAndKeepsTheRest) {
  const std::pair<std::string, std::string> rows[] = {
      {"湾\n\ta\x1b", "湾\n\ta\x1b"},                 // valid, control characters kept
      {"\x98\x70.txt", "�p.txt"},                     // Shift_JIS 湾
      {"\xE3\x81\x41", "�A"},                         // a cut-off sequence is one
      {"\xF0\x9F\x98", "�"},                          // cut off at the end of the text
      {"\xC0\xAF\xED\xA0\x80", "�����"},              // overlong, surrogate: byte by byte
      {"\xF4\x90\x80\x80\xF0\x9F\x98\x80", "����😀"},  // above U+10FFFF, then an emoji
      {"\xE3\x81\xE3\x81\x82", "�あ"},
  };
  for (const auto& [text, expected] : rows)
    EXPECT_EQ(ValidUtf8(text), expected) << testing::PrintToString(text);
}

TEST(TextEncoding, ConvertsTheFileCharactersBothWaysAndRefusesTheRest) {
  // Half-width katakana are one byte in code page 932 and three in UTF-8: the text grows.
  const std::string utf8 = "湾（\u3000×÷)=" + Repeated("ﾀｲﾑｽﾃｯﾌﾟ", 700);
  const std::string cp932 = "\x98\x70\x81\x69\x81\x40\x81\x7E\x81\x80)=" +
                            Repeated("\xC0\xB2\xD1\xBD\xC3\xAF\xCC\xDF", 700);
  EXPECT_EQ(Utf8ToCp932(utf8), cp932);
  EXPECT_EQ(Cp932ToUtf8(cp932), utf8);
  for (const char* text : {"\xF0\x9F\x98\x80", "a\xFF", "\xE3\x80", "湾\xC0\xAF"})
    EXPECT_FALSE(Utf8ToCp932(text).has_value()) << testing::PrintToString(std::string(text));
  EXPECT_FALSE(Cp932ToUtf8("ab\x81").has_value());  // a lead byte without its trail byte
}

}  // namespace
}  // namespace kurimo
