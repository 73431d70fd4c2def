// Conversion of the program's UTF-8 texts to and from code page 932 for the output file.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "text_encoding.h"

namespace kurimo {
namespace {

TEST(TextEncoding, ConvertsTheFileCharactersBothWays) {
  struct Row {
    const char* utf8;
    std::string cp932;
  };
  const Row rows[] = {
      {"Kurimo_Ver10 (km2)=", "Kurimo_Ver10 (km2)="},
      {"", ""},
      {"（", "\x81\x69"},
      {"\u3000", "\x81\x40"},
      {"×", "\x81\x7E"},
      {"÷", "\x81\x80"},
      {"湾（", "\x98\x70\x81\x69"},
      {"ﾀｲﾑｽﾃｯﾌﾟ", "\xC0\xB2\xD1\xBD\xC3\xAF\xCC\xDF"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string("'") + row.utf8 + "'");
    EXPECT_EQ(Utf8ToCp932(row.utf8), row.cp932);
    EXPECT_EQ(Cp932ToUtf8(row.cp932), row.utf8);
  }
}

TEST(TextEncoding, RejectsWhatCannotBeConverted) {
  const char* utf8[] = {"\xF0\x9F\x98\x80", "a\xFF", "\xE3\x80", "湾\xC0\xAF"};
  for (const char* text : utf8) {
    SCOPED_TRACE(testing::PrintToString(std::string(text)));
    EXPECT_FALSE(Utf8ToCp932(text).has_value());
  }
  // A lead byte without its trail byte.
  EXPECT_FALSE(Cp932ToUtf8("ab\x81").has_value());
}

TEST(TextEncoding, LongTextsThatGrowAreConvertedWhole) {
  // Each half-width katakana is one byte in code page 932 and three in UTF-8.
  const std::string cp932(5000, '\xC0');
  std::string utf8;
  for (int i = 0; i < 5000; ++i) {
    utf8 += "ﾀ";
  }
  EXPECT_EQ(Cp932ToUtf8(cp932), utf8);
  EXPECT_EQ(Utf8ToCp932(utf8), cp932);
}

TEST(TextEncoding, OutputFileSurvivesARoundTrip) {
  std::ifstream file(std::string(KURIMO_TEST_DATA_DIR) + "/default-Kurimo_OUT.txt",
                     std::ios::binary);
  ASSERT_TRUE(file.is_open());
  const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  ASSERT_FALSE(bytes.empty());

  const auto utf8 = Cp932ToUtf8(bytes);
  ASSERT_TRUE(utf8.has_value());
  EXPECT_NE(utf8->find("ﾀｲﾑｽﾃｯﾌﾟ（分)= 718 \r\n"), std::string::npos);
  EXPECT_NE(utf8->find("湾面積(km2)= 1000　平均水深(m)= 18　"), std::string::npos);
  EXPECT_EQ(Utf8ToCp932(*utf8), bytes);
}

}  // namespace
}  // namespace kurimo
