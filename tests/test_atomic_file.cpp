// Whole-file writes: the target is either the new bytes or untouched, never half-written,
// and no temporary file is left behind.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "atomic_file.h"
#include "test_helpers.h"

namespace kurimo {
namespace {

std::size_t FileCount(const std::string& folder) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
    ++n;
  return n;
}

TEST(AtomicFile, WritesAndReplacesWholeFiles) {
  test::TempFolder folder;
  const std::string path = folder.File("series.csv");
  EXPECT_EQ(WriteFileAtomically(path, "first,longer\r\n"), std::nullopt);
  EXPECT_EQ(test::ReadBytes(path), "first,longer\r\n");
  EXPECT_EQ(WriteFileAtomically(path, std::string("a\0b", 3)), std::nullopt);
  EXPECT_EQ(test::ReadBytes(path), std::string("a\0b", 3));
  EXPECT_EQ(FileCount(folder.path().string()), 1u);
}

TEST(AtomicFile, KeepsThePermissionsOfAnExistingFile) {
  test::TempFolder folder;
  const std::string path = folder.File("kept.csv");
  ASSERT_EQ(WriteFileAtomically(path, "1"), std::nullopt);
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  ASSERT_EQ(WriteFileAtomically(path, "2"), std::nullopt);
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(AtomicFile, FailuresAreReportedInWords) {
  test::TempFolder folder;
  EXPECT_EQ(WriteFileAtomically(folder.File("no/such/folder.csv"), "x"),
            "フォルダーが見つかりません");
  std::filesystem::create_directory(folder.File("taken"));
  EXPECT_EQ(WriteFileAtomically(folder.File("taken"), "x"), "同じ名前のフォルダーがあります");
  EXPECT_EQ(WriteFileAtomically("", "x"), "フォルダーが見つかりません");
  EXPECT_EQ(FileCount(folder.path().string()), 1u);  // only the folder in the way
}

TEST(AtomicFile, AFolderThatCannotBeWrittenKeepsTheOldFile) {
  test::TempFolder folder;
  // A folder that cannot be written: the existing file keeps its bytes.
  const std::string locked = folder.File("locked");
  std::filesystem::create_directory(locked);
  ASSERT_EQ(WriteFileAtomically(locked + "/old.csv", "old"), std::nullopt);
  ASSERT_EQ(chmod(locked.c_str(), 0555), 0);
  if (access(locked.c_str(), W_OK) == 0) {
    chmod(locked.c_str(), 0755);
    GTEST_SKIP() << "running with rights that ignore folder permissions";
  }
  EXPECT_EQ(WriteFileAtomically(locked + "/old.csv", "new"), "書き込みの権限がありません");
  chmod(locked.c_str(), 0755);
  EXPECT_EQ(test::ReadBytes(locked + "/old.csv"), "old");
  EXPECT_EQ(FileCount(locked), 1u);
}

}  // namespace
}  // namespace kurimo
