// Number texts of the boxes and the output file, reading numbers from texts (grouping
// commas, full-width forms), rounding to decimal places with halves to even, and texts
// echoed in messages.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "echo_text.h"
#include "number_text.h"

namespace kurimo {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct DoubleText {
  double value;
  const char* expected;
};

struct FloatText {
  float value;
  const char* expected;
};

TEST(NumberToText, DoublesKeepFifteenDigitsWithoutLeadingZero) {
  const DoubleText rows[] = {
      {18.0, " 18"},
      {0.126, " .126"},
      {-0.5, "-.5"},
      {0.0, " 0"},
      {-0.0, " 0"},
      {-2.4, "-2.4"},
      {3310.0, " 3310"},
      {0.0001, " .0001"},
      {0.1 + 0.2, " .3"},
      {1.0 / 3.0, " .333333333333333"},
      {-2.0 / 3.0, "-.666666666666667"},
      {5958.00023674965, " 5958.00023674965"},
      {999999999999999.0, " 999999999999999"},
      {static_cast<double>(0.126f), " .126000002026558"},
      {RoundHalfEven(662.0000098645687, 3), " 662"},
      // Exponent form from 1E+15 up and below 1E-04, with at least two exponent digits.
      {1e15, " 1E+15"},
      {1.5e15, " 1.5E+15"},
      {999999999999999.9, " 1E+15"},
      {123456789012345678.0, " 1.23456789012346E+17"},
      {1e-5, " 1E-05"},
      {-1.25e-7, "-1.25E-07"},
      {0.000099, " 9.9E-05"},
      {1e100, " 1E+100"},
      {-1e-300, "-1E-300"},
      {kInf, " ∞"},
      {-kInf, "-∞"},
      {std::numeric_limits<double>::quiet_NaN(), " 非数"},
  };
  for (const DoubleText& row : rows) {
    SCOPED_TRACE(std::string("expected '") + row.expected + "'");
    EXPECT_EQ(NumberToText(row.value), row.expected);
  }
}

TEST(NumberToText, SinglesKeepSevenDigits) {
  const FloatText rows[] = {
      {0.126f, " .126"}, {-2.4f, "-2.4"},
      {0.1f, " .1"},     {1.0f / 3.0f, " .3333333"},
      {718.0f, " 718"},  {9999999.0f, " 9999999"},
      {1e7f, " 1E+07"},  {16777216.0f, " 1.677722E+07"},
      {1e-5f, " 1E-05"}, {0.0f, " 0"},
  };
  for (const FloatText& row : rows) {
    SCOPED_TRACE(std::string("expected '") + row.expected + "'");
    EXPECT_EQ(NumberToText(row.value), row.expected);
  }
}

TEST(NumberToFileText, WritesTheZeroBeforeThePointAndATrailingBlank) {
  const DoubleText doubles[] = {
      {0.126, " 0.126 "},  {-0.5, "-0.5 "},
      {6294.0, " 6294 "},  {629.4, " 629.4 "},
      {0.0, " 0 "},        {0.0001, " 0.0001 "},
      {-3310.0, "-3310 "}, {5958.00023674965, " 5958.00023674965 "},
  };
  for (const DoubleText& row : doubles) {
    SCOPED_TRACE(std::string("expected '") + row.expected + "'");
    EXPECT_EQ(NumberToFileText(row.value), row.expected);
  }
  const FloatText singles[] = {{0.126f, " 0.126 "}, {1.0f, " 1 "}, {-0.25f, "-0.25 "}};
  for (const FloatText& row : singles) {
    SCOPED_TRACE(std::string("expected '") + row.expected + "'");
    EXPECT_EQ(NumberToFileText(row.value), row.expected);
  }
}

TEST(LeadingNumber, ReadsTheNumberAtTheStartOfAText) {
  struct Row {
    const char* text;
    double expected;
  };
  const Row rows[] = {
      {" 2.4", 2.4},
      {"1 2 3", 123.0},
      {"\t-\n3", -3.0},
      {"1 e 2", 100.0},
      {"1,000", 1.0},
      {"2.4x", 2.4},
      {"$5", 0.0},
      {"", 0.0},
      {"abc", 0.0},
      {"-", 0.0},
      {".5", 0.5},
      {"5.", 5.0},
      {"+7", 7.0},
      {"1.2.3", 1.2},
      {"1D3", 1000.0},
      {"1d-2", 0.01},
      {"1E", 1.0},
      {"1E-", 1.0},
      {"1e+2x", 100.0},
      {"-1.5e-2", -0.015},
      {"&H1F", 31.0},
      {"&hff", 255.0},
      {"&o17", 15.0},
      {"&O8", 0.0},
      {"&H", 0.0},
      {"1e400", kInf},
      {"-1e400", -kInf},
      {"1e-400", 0.0},
      {"1000e306", kInf},
      {"0.001e310", 1e307},
      // Full-width forms read as their ASCII ones; any other character ends the number.
      {"１，０００", 1.0},
      {"　１２．５　", 12.5},
      {"1０", 10.0},
      {"－２．５ｅ１", -25.0},
      {"−3", -3.0},
      {"＋１Ｄ２", 100.0},
      {"１ｄ－２", 0.01},
      {"１Ｅ４００", kInf},
      {"１２％", 12.0},
      {"\xEF\xBC"
       "1",
       0.0},
      {"1\xEF\xBC", 1.0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string("'") + row.text + "'");
    EXPECT_EQ(LeadingNumber(row.text), row.expected);
  }
}

TEST(IsNumberText, AcceptsWholeNumbersInTheFixedFormatOnly) {
  const char* accepted[] = {
      "0.1", " 2.4", "2.4 ", "18",   "-5",   "+5",     "\t.5\t",
      "5.",  "1e3",  "1D3",  "1E+3", "1e-3", "1e-300", "1.7976931348623157e308"};
  for (const char* text : accepted) {
    SCOPED_TRACE(std::string("'") + text + "' is a number");
    EXPECT_TRUE(IsNumberText(text));
  }
  const char* rejected[] = {"",    "   ",      "abc",  ".",     "-",      "+-5",    "2.4x",
                            "$5",  "1 000",    "1e",   "1e+",   "1.2.3",  "1\n",    "inf",
                            "nan", "infinity", "0x10", "1e400", "-1e400", "1e-400", "1.8e308"};
  for (const char* text : rejected) {
    SCOPED_TRACE(std::string("'") + text + "' is not a number");
    EXPECT_FALSE(IsNumberText(text));
    EXPECT_TRUE(std::isnan(TextToNumber(text)));
  }
}

TEST(TextToNumber, GivesTheCorrectlyRoundedDouble) {
  // strtod in the C locale is correctly rounded; the texts here have no grouping commas.
  const char* texts[] = {"0.1",
                         "2.4",
                         " 2.4 ",
                         "0.126",
                         "2.675",
                         "-331",
                         "1e-300",
                         "123456789012345678901234567890",
                         "9007199254740993",
                         "1.7976931348623157e308",
                         "2.2250738585072014e-308",
                         "0.30000000000000004"};
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    EXPECT_EQ(TextToNumber(text), std::strtod(text, nullptr));
  }
  EXPECT_EQ(TextToNumber("1.5D-3"), std::strtod("1.5e-3", nullptr));
  EXPECT_EQ(TextToNumber("2,000.1E+2"), std::strtod("200010", nullptr));
  EXPECT_EQ(ParseNumberText(" 18 "), 18.0);
  EXPECT_FALSE(ParseNumberText("18 m").has_value());
}

struct ParseRow {
  const char* name;
  std::string_view text;
  std::optional<double> value;  // no value: not a number
};

void ExpectParses(const ParseRow& row) {
  SCOPED_TRACE(row.name);
  EXPECT_EQ(ParseNumberText(row.text), row.value);
  EXPECT_EQ(IsNumberText(row.text), row.value.has_value());
  if (row.value)
    EXPECT_EQ(TextToNumber(row.text), *row.value);
  else
    EXPECT_TRUE(std::isnan(TextToNumber(row.text)));
}

TEST(ParseNumberText, CommasGroupOnlyThousandsOfTheWholePart) {
  const ParseRow rows[] = {
      {"one group", "1,000", 1000.0},
      {"grouped with a decimal part", "12,345.5", 12345.5},
      {"grouped negative", "-1,000", -1000.0},
      {"grouped with an exponent", "1,000e3", 1e6},
      {"two groups", "1,234,567", 1234567.0},
      {"grouped, decimal part and D exponent", "-1,234,567.25D-2", -12345.6725},
      {"grouped with blanks around", " 1,000\t", 1000.0},
      {"grouped before a bare point", "1,000.", 1000.0},
      {"zero before a group", "-0,500", -500.0},
      {"small value behind a grouped whole part", "1,000e-5", 0.01},
      {"groups of one digit", "1,0,0", std::nullopt},
      {"decimal comma", "0,5", std::nullopt},
      {"decimal comma with an exponent", "1,0e-3", std::nullopt},
      {"trailing comma", "1,", std::nullopt},
      {"leading comma", ",5", std::nullopt},
      {"two commas", "1,,000", std::nullopt},
      {"comma before the point", "1,.5", std::nullopt},
      {"four digits before a group", "1234,567", std::nullopt},
      {"group of four", "1,0000", std::nullopt},
      {"group of two at the end", "1,000,00", std::nullopt},
      {"comma in the decimal part", ".5,000", std::nullopt},
      {"comma after the point", "1.000,5", std::nullopt},
      {"comma in the exponent", "1e1,000", std::nullopt},
      {"sign then comma", "-,500", std::nullopt},
  };
  for (const ParseRow& row : rows)
    ExpectParses(row);
}

TEST(ParseNumberText, FullWidthFormsCountAsTheirAsciiForms) {
  const ParseRow rows[] = {
      {"full-width digits", "１０００", 1000.0},
      {"ideographic spaces around, full-width point", "　１２．５　", 12.5},
      {"full-width grouping comma", "１，０００", 1000.0},
      {"ASCII and full-width digits mixed", "1０", 10.0},
      {"full-width plus", "＋５", 5.0},
      {"full-width minus", "－５", -5.0},
      {"minus sign U+2212", "−0.25", -0.25},
      {"full-width E", "１．５Ｅ３", 1500.0},
      {"full-width e and minus", "１ｅ－３", 0.001},
      {"full-width D", "２Ｄ２", 200.0},
      {"full-width d", "２ｄ－１", 0.2},
      {"ideographic space and tab mixed", "\t　７　\t", 7.0},
      {"full-width groups of one digit", "１，０，０", std::nullopt},
      {"full-width decimal comma", "０，５", std::nullopt},
      {"ideographic space inside", "１　０", std::nullopt},
      {"only an ideographic space", "　", std::nullopt},
      {"full-width percent sign after", "１０％", std::nullopt},
      {"half-width katakana", "ｱ", std::nullopt},
      {"cut-off full-width digit", "1\xEF\xBC", std::nullopt},
      {"stray lead byte before a digit",
       "\xEF"
       "1",
       std::nullopt},
  };
  for (const ParseRow& row : rows)
    ExpectParses(row);
}

TEST(RoundHalfEven, ExactHalvesGoToEvenOthersToNearest) {
  struct Row {
    double value;
    int places;
    double expected;
    const char* name;
  };
  const Row rows[] = {
      {0.125, 2, 0.12, "0.125 is a tie -> 0.12"},
      {0.375, 2, 0.38, "0.375 is a tie -> 0.38"},
      {2.5, 0, 2.0, "2.5 -> 2"},
      {3.5, 0, 4.0, "3.5 -> 4"},
      {0.5, 0, 0.0, "0.5 -> 0"},
      {-2.5, 0, -2.0, "-2.5 -> -2"},
      {-3.5, 0, -4.0, "-3.5 -> -4"},
      {1.25, 1, 1.2, "1.25 is a tie -> 1.2"},
      {2.675, 2, 2.67, "2.675 is below the tie -> 2.67"},
      {1.005, 2, 1.0, "1.005 is below the tie -> 1"},
      {1.35, 1, 1.4, "1.35 is above the tie -> 1.4"},
      // The product with the scale rounds to exactly x.5 although the value is no tie.
      {0.15, 1, 0.1, "0.15 is below the tie -> 0.1"},
      {0.35, 1, 0.3, "0.35 is below the tie -> 0.3"},
      {0.45, 1, 0.5, "0.45 is above the tie -> 0.5"},
      {0.55, 1, 0.6, "0.55 is above the tie -> 0.6"},
      {629.4058408862035, 1, 629.4, "629.4058408862035 -> 629.4"},
      {0.015888, 3, 0.016, "0.015888 -> 0.016"},
      {662.0000098645687, 3, 662.0, "662.0000098645687 -> 662"},
      {4.52, 2, 4.52, "4.52 stays"},
      {4503599627370497.0, 0, 4503599627370497.0, "2^52 + 1 stays"},
      {1e300, 2, 1e300, "1e300 stays"},
      {kInf, 2, kInf, "infinity stays"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(RoundHalfEven(row.value, row.places), row.expected);
  }
  EXPECT_TRUE(std::isnan(RoundHalfEven(std::numeric_limits<double>::quiet_NaN(), 2)));
}

TEST(RoundHalfEven, MatchesTheNearestDoubleOfTheRoundedDecimal) {
  // printf rounds the exact binary value with halves to even, so converting its text back
  // gives the double that the rounding must produce.
  char buffer[64];
  for (int places = 0; places <= 4; ++places) {
    for (int k = -3000; k <= 3000; k += 7) {
      for (double value : {k / 1000.0, k / 8.0 + 0.0625, k * 0.3049 + 0.00005}) {
        std::snprintf(buffer, sizeof buffer, "%.*f", places, value);
        SCOPED_TRACE(std::to_string(value) + " to " + std::to_string(places) + " places");
        ASSERT_EQ(RoundHalfEven(value, places), std::strtod(buffer, nullptr));
      }
    }
  }
}

std::string Repeated(std::string_view piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i)
    out += piece;
  return out;
}

TEST(EchoedText, KeepsFortyCharactersAndMarksACut) {
  struct Row {
    const char* name;
    std::string text;
    std::string expected;
  };
  const std::string a40 = Repeated("a", 40);
  const Row rows[] = {
      {"empty", "", ""},
      {"short text unchanged", "1,0,0", "1,0,0"},
      {"exactly 40 ASCII characters", a40, a40},
      {"41 ASCII characters", a40 + "b", a40 + "…"},
      {"exactly 40 three-byte characters", Repeated("あ", 40), Repeated("あ", 40)},
      {"41 three-byte characters", Repeated("あ", 41), Repeated("あ", 40) + "…"},
      {"cut after a mixture", std::string("a") + Repeated("１", 40),
       std::string("a") + Repeated("１", 39) + "…"},
      {"two- and four-byte characters", Repeated("é𝟘", 21), Repeated("é𝟘", 20) + "…"},
      {"invalid bytes count one each", Repeated("\xFF", 41), Repeated("\xFF", 40) + "…"},
      {"cut-off sequence is two characters", std::string("\xE3\x81") + Repeated("a", 40),
       "\xE3\x81" + Repeated("a", 38) + "…"},
      {"overlong form is two characters", std::string("\xC0\xAF") + Repeated("b", 39),
       "\xC0\xAF" + Repeated("b", 38) + "…"},
      {"surrogate code is three characters", std::string("\xED\xA0\x80") + Repeated("c", 38),
       "\xED\xA0\x80" + Repeated("c", 37) + "…"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(EchoedText(row.text), row.expected);
  }
  EXPECT_EQ(EchoedText("abcdef", 3), "abc…");
  EXPECT_EQ(EchoedText("abc", 3), "abc");
  // Control characters show as their pictures, so that an echo cannot drive a terminal.
  EXPECT_EQ(EchoedText(std::string_view("a\0b\x1b[2J\n\x7f\tc", 11), 8), "a␀b␛[2J␊…");
  EXPECT_EQ(EchoedText("\x7f\tc"), "␡\tc");
}

}  // namespace
}  // namespace kurimo
