// The output file: Shift_JIS lines with CR LF, and the failures a user can meet.
#include <gtest/gtest.h>

#include <filesystem>

#include "output_file.h"
#include "test_helpers.h"

namespace kurimo {
namespace {

TEST(OutputFile, WritesShiftJisWithCrLf) {
  test::TempFolder folder;
  OutputFile file;
  ASSERT_TRUE(file.Open(folder.File("a.txt")));
  EXPECT_TRUE(file.WriteLine("　(×倍)ﾀ"));
  EXPECT_TRUE(file.WriteLine(""));
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(test::ReadBytes(folder.File("a.txt")), "\x81\x40(\x81\x7E\x94\x7B)\xC0\r\n\r\n");
}

TEST(OutputFile, OpeningEmptiesAnEarlierFile) {
  test::TempFolder folder;
  {
    OutputFile first;
    ASSERT_TRUE(first.Open(folder.File("a.txt")));
    first.WriteLine("first run, a longer line");
    first.Close();
  }
  OutputFile second;
  ASSERT_TRUE(second.Open(folder.File("a.txt")));
  second.WriteLine("2");
  second.Close();
  EXPECT_EQ(test::ReadBytes(folder.File("a.txt")), "2\r\n");
}

TEST(OutputFile, FailuresCarryTheSystemsReason) {
  test::TempFolder folder;
  OutputFile missingFolder;
  EXPECT_FALSE(missingFolder.Open(folder.File("no/such/folder.txt")));
  EXPECT_EQ(missingFolder.Error(), "フォルダーが見つかりません");

  std::filesystem::create_directory(folder.path() / "taken");
  OutputFile folderInTheWay;
  EXPECT_FALSE(folderInTheWay.Open(folder.File("taken")));
  EXPECT_EQ(folderInTheWay.Error(), "同じ名前のフォルダーがあります");

  OutputFile full;
  ASSERT_TRUE(full.Open("/dev/full"));
  EXPECT_TRUE(full.WriteLine("buffered"));
  EXPECT_FALSE(full.Flush());
  EXPECT_EQ(full.Error(), "ディスクの空き容量が足りません");
  EXPECT_FALSE(full.WriteLine("after the failure"));
  EXPECT_FALSE(full.Close());
}

TEST(OutputFile, TextWithoutAShiftJisCodeFails) {
  test::TempFolder folder;
  OutputFile file;
  ASSERT_TRUE(file.Open(folder.File("a.txt")));
  EXPECT_FALSE(file.WriteLine("\xF0\x9F\x98\x80"));  // an emoji
  EXPECT_FALSE(file.Error().empty());
  EXPECT_FALSE(file.Close());
}

}  // namespace
}  // namespace kurimo
