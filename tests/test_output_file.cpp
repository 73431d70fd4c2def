// The output file: Shift_JIS lines with CR LF that replace an earlier report only when the run
// commits them, and the failures a user can meet, found before the run.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "output_file.h"
#include "test_helpers.h"

namespace kurimo {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kEarlier = "earlier report\r\n";

std::size_t FileCount(const fs::path& folder) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
    ++n;
  return n;
}

void WriteEarlierReport(const std::string& path) {
  std::ofstream(path, std::ios::binary) << kEarlier;
}

TEST(OutputFile, WritesShiftJisWithCrLf) {
  test::TempFolder folder;
  OutputFile file;
  ASSERT_TRUE(file.Open(folder.File("a.txt")));
  EXPECT_TRUE(file.WriteLine("　(×倍)ﾀ"));
  EXPECT_TRUE(file.WriteLine(""));
  EXPECT_TRUE(file.Commit());
  EXPECT_EQ(test::ReadBytes(folder.File("a.txt")), "\x81\x40(\x81\x7E\x94\x7B)\xC0\r\n\r\n");
}

TEST(OutputFile, TheEarlierReportStaysUntilTheCommit) {
  test::TempFolder folder;
  const std::string path = folder.File("Kurimo_OUT.txt");
  WriteEarlierReport(path);
  OutputFile file;
  ASSERT_TRUE(file.Open(path));
  for (int i = 0; i < 23; ++i)
    ASSERT_TRUE(file.WriteLine("line " + std::to_string(i)));
  ASSERT_TRUE(file.Flush());
  EXPECT_EQ(test::ReadBytes(path), kEarlier);
  EXPECT_TRUE(file.WriteLine("last"));
  ASSERT_TRUE(file.Commit());
  const std::vector<std::string> lines = test::ReadCp932Lines(path);
  ASSERT_EQ(lines.size(), 24u);
  EXPECT_EQ(lines.front(), "line 0");
  EXPECT_EQ(lines.back(), "last");
  EXPECT_EQ(FileCount(folder.path()), 1u);
}

TEST(OutputFile, AnAbandonedReportLeavesTheEarlierOne) {
  struct Row {
    const char* name;
    std::function<void(OutputFile&)> abandon;
  };
  const Row rows[] = {
      {"discarded", [](OutputFile& f) { f.Discard(); }},
      {"destroyed without a commit", [](OutputFile&) {}},
      {"a line Shift_JIS cannot hold",
       [](OutputFile& f) {
         EXPECT_FALSE(f.WriteLine("\xF0\x9F\x98\x80"));  // an emoji
         EXPECT_FALSE(f.Error().empty());
         EXPECT_FALSE(f.WriteLine("after the failure"));
         EXPECT_FALSE(f.Commit());
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    test::TempFolder folder;
    const std::string path = folder.File("Kurimo_OUT.txt");
    WriteEarlierReport(path);
    {
      OutputFile file;
      ASSERT_TRUE(file.Open(path));
      ASSERT_TRUE(file.WriteLine("conditions"));
      ASSERT_TRUE(file.Flush());
      row.abandon(file);
    }
    EXPECT_EQ(test::ReadBytes(path), kEarlier);
    EXPECT_EQ(FileCount(folder.path()), 1u);
  }
}

TEST(OutputFile, FailuresAreFoundWhenTheFileIsOpened) {
  // The whole-file writer owns the list of failures; here, that they reach the report.
  test::TempFolder folder;
  OutputFile file;
  EXPECT_FALSE(file.Open(folder.File("no/such/folder.txt")));
  EXPECT_EQ(file.Error(), "フォルダーが見つかりません");
  EXPECT_FALSE(file.IsOpen());
  EXPECT_FALSE(file.WriteLine("x"));
  EXPECT_FALSE(file.Commit());
  EXPECT_EQ(FileCount(folder.path()), 0u);
}

}  // namespace
}  // namespace kurimo
