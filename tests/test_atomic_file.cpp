// Whole-file writes: the target is either the new bytes or untouched, never half-written; a
// link stays a link; devices and pipes are written, not replaced; no temporary file is left.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <set>
#include <thread>

#include "atomic_file.h"
#include "test_helpers.h"

namespace kurimo {
namespace {

namespace fs = std::filesystem;

std::size_t FileCount(const fs::path& folder) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
    ++n;
  return n;
}

// The names in a folder that look like this program's temporary files.
std::size_t TemporaryFileCount(const fs::path& folder) {
  std::size_t n = 0;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().filename().string().rfind(".kurimo-", 0) == 0) ++n;
  return n;
}

void WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

bool IsLink(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

// Root may write where permissions forbid it; such tests say so and skip.
bool RunningAsRoot() {
  return geteuid() == 0;
}

TEST(AtomicFile, WritesAndReplacesWholeFiles) {
  test::TempFolder folder;
  const std::string path = folder.File("series.csv");
  EXPECT_EQ(WriteFileAtomically(path, "first,longer\r\n"), std::nullopt);
  EXPECT_EQ(test::ReadBytes(path), "first,longer\r\n");
  EXPECT_EQ(WriteFileAtomically(path, std::string("a\0b", 3)), std::nullopt);
  EXPECT_EQ(test::ReadBytes(path), std::string("a\0b", 3));
  EXPECT_EQ(WriteFileAtomically(path, ""), std::nullopt);
  EXPECT_EQ(test::ReadBytes(path), "");
  EXPECT_EQ(FileCount(folder.path()), 1u);
}

TEST(AtomicFile, PiecesOfEverySizeArriveInOrder) {
  // Small pieces gather in a buffer, large ones go straight through; across the boundaries
  // every byte must arrive once and in order.
  test::TempFolder folder;
  const std::string path = folder.File("pieces.bin");
  std::string expected;
  ReplacingFile file;
  ASSERT_TRUE(file.Open(path));
  const std::size_t sizes[] = {1, 3, 65533, 2, 70000, 65536, 0, 5, 200000, 7};
  char next = 'a';
  for (std::size_t size : sizes) {
    const std::string piece(size, next);
    next = next == 'z' ? 'a' : static_cast<char>(next + 1);
    expected += piece;
    ASSERT_TRUE(file.Write(piece)) << size;
  }
  ASSERT_TRUE(file.Commit()) << file.Error();
  EXPECT_EQ(test::ReadBytes(path), expected);
}

TEST(AtomicFile, NothingIsReplacedBeforeCommit) {
  test::TempFolder folder;
  const std::string path = folder.File("report.txt");
  WriteBytes(path, "earlier");
  ReplacingFile file;
  ASSERT_TRUE(file.Open(path));
  ASSERT_TRUE(file.Write(std::string(100000, 'x')));
  ASSERT_TRUE(file.Flush());
  EXPECT_EQ(test::ReadBytes(path), "earlier");
  // The bytes wait in one short hidden name beside the target.
  EXPECT_EQ(FileCount(folder.path()), 2u);
  EXPECT_EQ(TemporaryFileCount(folder.path()), 1u);
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(test::ReadBytes(path), std::string(100000, 'x'));
  EXPECT_EQ(FileCount(folder.path()), 1u);
  EXPECT_FALSE(file.Write("after the commit"));
}

TEST(AtomicFile, DiscardingKeepsTheEarlierFile) {
  struct Row {
    const char* name;
    std::function<void(ReplacingFile&)> leave;
  };
  const Row rows[] = {
      {"Discard", [](ReplacingFile& f) { f.Discard(); }},
      {"destroyed without a commit", [](ReplacingFile&) {}},
      {"opened again elsewhere", [](ReplacingFile& f) { f.Open("/dev/null"); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    test::TempFolder folder;
    const std::string path = folder.File("kept.txt");
    WriteBytes(path, "earlier");
    {
      ReplacingFile file;
      ASSERT_TRUE(file.Open(path));
      ASSERT_TRUE(file.Write("half of a new"));
      ASSERT_TRUE(file.Flush());
      row.leave(file);
    }
    EXPECT_EQ(test::ReadBytes(path), "earlier");
    EXPECT_EQ(FileCount(folder.path()), 1u);
  }
}

TEST(AtomicFile, PermissionsAndOwnerOfTheFileAreKept) {
  test::TempFolder folder;
  const std::string kept = folder.File("kept.csv");
  WriteBytes(kept, "1");
  ASSERT_EQ(chmod(kept.c_str(), 0640), 0);
  ASSERT_EQ(WriteFileAtomically(kept, "2"), std::nullopt);
  struct stat info {};
  ASSERT_EQ(stat(kept.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);

  // A new file gets what the umask allows, as a plain open gives it.
  const mode_t previous = umask(027);
  const std::optional<std::string> fresh = WriteFileAtomically(folder.File("new.csv"), "n");
  umask(previous);
  ASSERT_EQ(fresh, std::nullopt);
  ASSERT_EQ(stat(folder.File("new.csv").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);

  if (!RunningAsRoot()) GTEST_SKIP() << "only root can give a file to another owner";
  ASSERT_EQ(chown(kept.c_str(), 4321, 8765), 0);
  ASSERT_EQ(WriteFileAtomically(kept, "3"), std::nullopt);
  ASSERT_EQ(stat(kept.c_str(), &info), 0);
  EXPECT_EQ(info.st_uid, 4321u);
  EXPECT_EQ(info.st_gid, 8765u);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(AtomicFile, LinksStayLinksAndTheirTargetIsReplaced) {
  struct Row {
    const char* name;
    std::vector<std::pair<std::string, std::string>> links;  // link -> text, in order
    std::string written;                                     // the name given to the write
    std::string target;                                      // the file that must change
    bool targetExists;
  };
  // "@" stands for the test's folder.
  const Row rows[] = {
      {"absolute", {{"link", "@/data/real.csv"}}, "link", "data/real.csv", true},
      {"relative to the link's folder",
       {{"sub/link", "../data/real.csv"}},
       "sub/link",
       "data/real.csv",
       true},
      {"a chain",
       {{"a", "sub/b"}, {"sub/b", "c"}, {"sub/c", "../data/real.csv"}},
       "a",
       "data/real.csv",
       true},
      {"dangling", {{"sub/link", "../data/new.csv"}}, "sub/link", "data/new.csv", false},
      {"a link to a folder on the way",
       {{"via", "data"}, {"via/link", "real.csv"}},
       "via/link",
       "data/real.csv",
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    test::TempFolder folder;
    const std::string root = folder.path().string();
    fs::create_directory(folder.path() / "data");
    fs::create_directory(folder.path() / "sub");
    WriteBytes(folder.File("data/real.csv"), "earlier");
    for (const auto& [link, text] : row.links) {
      std::string resolved = text;
      if (resolved[0] == '@') resolved = root + resolved.substr(1);
      ASSERT_EQ(symlink(resolved.c_str(), folder.File(link).c_str()), 0) << link;
    }
    const auto countBefore = FileCount(folder.path() / "data");

    ASSERT_EQ(WriteFileAtomically(folder.File(row.written), "new bytes"), std::nullopt);

    EXPECT_EQ(test::ReadBytes(folder.File(row.target)), "new bytes");
    for (const auto& [link, text] : row.links) {
      EXPECT_TRUE(IsLink(folder.File(link))) << link;
    }
    EXPECT_EQ(FileCount(folder.path() / "data"), countBefore + (row.targetExists ? 0 : 1));
    EXPECT_EQ(TemporaryFileCount(folder.path()), 0u);
    EXPECT_EQ(TemporaryFileCount(folder.path() / "sub"), 0u);
  }
}

TEST(AtomicFile, DevicesAndPipesAreWrittenNotReplaced) {
  // /dev/null must stay a device, and nothing may be created in /dev.
  const std::size_t inDev = TemporaryFileCount("/dev");
  EXPECT_EQ(WriteFileAtomically("/dev/null", "discarded"), std::nullopt);
  struct stat info {};
  ASSERT_EQ(lstat("/dev/null", &info), 0);
  EXPECT_TRUE(S_ISCHR(info.st_mode));
  EXPECT_EQ(TemporaryFileCount("/dev"), inDev);
  EXPECT_EQ(WriteFileAtomically("/dev/full", "x"), "ディスクの空き容量が足りません");

  // A link to a device reaches the device; the link stays.
  test::TempFolder folder;
  ASSERT_EQ(symlink("/dev/null", folder.File("sink").c_str()), 0);
  EXPECT_EQ(WriteFileAtomically(folder.File("sink"), "discarded"), std::nullopt);
  EXPECT_TRUE(IsLink(folder.File("sink")));

  // A FIFO gets the bytes themselves. The reading end is open first, so the write cannot
  // block; if the FIFO were replaced by a file, the reader would see nothing.
  const std::string fifo = folder.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(WriteFileAtomically(fifo, "through the pipe"), std::nullopt);
  char buffer[64] = {};
  const ssize_t n = read(reader, buffer, sizeof buffer);
  close(reader);
  EXPECT_EQ(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0), "through the pipe");
  ASSERT_EQ(lstat(fifo.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  EXPECT_EQ(FileCount(folder.path()), 2u);
}

TEST(AtomicFile, OpenFilesNamedUnderProcAreWrittenThroughTheirDescriptor) {
  // /dev/stdout leads to /proc/self/fd/1, whose link text ("pipe:[…]", "/x (deleted)") is
  // no path to replace: the open file itself takes the bytes.
  struct Row {
    const char* name;
    bool deleted;
  };
  for (const Row row : {Row{"a file", false}, Row{"a deleted file", true}}) {
    SCOPED_TRACE(row.name);
    test::TempFolder folder;
    const std::string path = folder.File("out.txt");
    WriteBytes(path, "earlier content");
    const int fd = open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    if (row.deleted) unlink(path.c_str());
    const std::string name = "/proc/self/fd/" + std::to_string(fd);
    EXPECT_EQ(WriteFileAtomically(name, "written"), std::nullopt);
    char buffer[64] = {};
    const ssize_t n = pread(fd, buffer, sizeof buffer, 0);
    close(fd);
    EXPECT_EQ(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0), "written");
    EXPECT_EQ(FileCount(folder.path()), row.deleted ? 0u : 1u);
  }

  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  EXPECT_EQ(WriteFileAtomically("/proc/self/fd/" + std::to_string(ends[1]), "piped"), std::nullopt);
  close(ends[1]);
  char buffer[64] = {};
  const ssize_t n = read(ends[0], buffer, sizeof buffer);
  close(ends[0]);
  EXPECT_EQ(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0), "piped");
}

TEST(AtomicFile, EveryNameAPlainOpenAcceptsWorks) {
  test::TempFolder folder;
  // 250 bytes leaves no room for a suffix after the name.
  const std::string longName = folder.File(std::string(250, 'n'));
  ASSERT_EQ(WriteFileAtomically(longName, "1"), std::nullopt);
  ASSERT_EQ(WriteFileAtomically(longName, "2"), std::nullopt);
  EXPECT_EQ(test::ReadBytes(longName), "2");

  // A bare name is in the working folder.
  const fs::path previous = fs::current_path();
  fs::current_path(folder.path());
  const std::optional<std::string> bare = WriteFileAtomically("bare.txt", "bare");
  fs::current_path(previous);
  EXPECT_EQ(bare, std::nullopt);
  EXPECT_EQ(test::ReadBytes(folder.File("bare.txt")), "bare");
  EXPECT_EQ(FileCount(folder.path()), 2u);
}

TEST(AtomicFile, FailuresKeepTheEarlierFileAndLeaveNothingBehind) {
  struct Row {
    const char* name;
    std::function<std::string(const test::TempFolder&)> prepare;  // gives the path to write
    std::string reason;
    bool needsPermissionChecks = false;
  };
  const Row rows[] = {
      {"empty name", [](const test::TempFolder&) { return std::string(); }, "ファイル名が空です"},
      {"missing folder", [](const test::TempFolder& f) { return f.File("no/such/file.csv"); },
       "フォルダーが見つかりません"},
      {"folder in the way",
       [](const test::TempFolder& f) {
         fs::create_directory(f.path() / "taken");
         return f.File("taken");
       },
       "同じ名前のフォルダーがあります"},
      {"link to a folder",
       [](const test::TempFolder& f) {
         fs::create_directory(f.path() / "taken");
         fs::create_directory_symlink(f.path() / "taken", f.path() / "link");
         return f.File("link");
       },
       "同じ名前のフォルダーがあります"},
      {"a file where a folder should be",
       [](const test::TempFolder& f) { return f.File("earlier.csv/x.csv"); },
       "途中の名前がフォルダーではありません"},
      {"links in a loop",
       [](const test::TempFolder& f) {
         fs::create_symlink("b", f.path() / "a");
         fs::create_symlink("a", f.path() / "b");
         return f.File("a");
       },
       "シンボリックリンクが循環しているか、つながりが長すぎます"},
      {"name longer than the system allows",
       [](const test::TempFolder& f) { return f.File(std::string(256, 'n')); },
       "ファイル名が長すぎます"},
      {"read-only file",
       [](const test::TempFolder& f) {
         chmod(f.File("earlier.csv").c_str(), 0444);
         return f.File("earlier.csv");
       },
       "書き込みの権限がありません", true},
      {"folder without write permission",
       [](const test::TempFolder& f) {
         chmod(f.path().c_str(), 0555);
         return f.File("earlier.csv");
       },
       "書き込みの権限がありません", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.needsPermissionChecks && RunningAsRoot()) continue;  // root writes anyway
    test::TempFolder folder;
    WriteBytes(folder.File("earlier.csv"), "earlier");
    const std::string path = row.prepare(folder);
    const std::size_t before = FileCount(folder.path());

    ReplacingFile file;
    EXPECT_FALSE(file.Open(path));
    EXPECT_EQ(file.Error(), row.reason);
    EXPECT_FALSE(file.Write("x"));
    EXPECT_FALSE(file.Commit());
    EXPECT_EQ(WriteFileAtomically(path, "x"), row.reason);

    chmod(folder.path().c_str(), 0700);
    EXPECT_EQ(test::ReadBytes(folder.File("earlier.csv")), "earlier");
    EXPECT_EQ(FileCount(folder.path()), before);
  }
}

// Sets or clears the immutable flag, which even root cannot write through; false where the
// file system or the process cannot set it.
bool SetImmutable(const std::string& path, bool on) {
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (ok) {
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  close(fd);
  return ok;
}

TEST(AtomicFile, AFileNobodyMayWriteIsNotReplacedEvenByRoot) {
  test::TempFolder folder;
  const std::string path = folder.File("locked.csv");
  WriteBytes(path, "earlier");
  if (!SetImmutable(path, true)) GTEST_SKIP() << "no immutable files here";
  // Refused at once, as a plain open would refuse it, not after the bytes are written.
  ReplacingFile file;
  const bool opened = file.Open(path);
  SetImmutable(path, false);
  EXPECT_FALSE(opened);
  EXPECT_EQ(file.Error(), "書き込みの権限がありません");
  EXPECT_EQ(test::ReadBytes(path), "earlier");
  EXPECT_EQ(FileCount(folder.path()), 1u);
}

TEST(AtomicFile, AFailedCommitKeepsTheTargetAndRemovesTheTemporaryFile) {
  // A folder takes the file's place while it is being written: the rename fails.
  test::TempFolder folder;
  const std::string path = folder.File("report.txt");
  WriteBytes(path, "earlier");
  ReplacingFile file;
  ASSERT_TRUE(file.Open(path));
  ASSERT_TRUE(file.Write("new"));
  fs::remove(path);
  fs::create_directory(path);
  EXPECT_FALSE(file.Commit());
  EXPECT_FALSE(file.Error().empty());
  EXPECT_TRUE(fs::is_directory(path));
  EXPECT_EQ(FileCount(folder.path()), 1u);
}

TEST(AtomicFile, AfterAFailureEveryCallFails) {
  ReplacingFile file;
  ASSERT_TRUE(file.Open("/dev/full"));
  EXPECT_TRUE(file.Write("buffered"));
  EXPECT_FALSE(file.Flush());
  EXPECT_EQ(file.Error(), "ディスクの空き容量が足りません");
  EXPECT_FALSE(file.Write("more"));
  EXPECT_FALSE(file.Flush());
  EXPECT_FALSE(file.Commit());
  EXPECT_EQ(file.Error(), "ディスクの空き容量が足りません");
}

TEST(AtomicFile, WritersOfTheSamePathLeaveOneWholeFile) {
  test::TempFolder folder;
  const std::string path = folder.File("shared.csv");
  // Contents that differ throughout and in length, so any mixture or cut shows.
  const std::string contents[2] = {std::string(300000, 'a') + "end a",
                                   std::string(200001, 'b') + "end b"};
  WriteBytes(path, contents[0]);
  std::atomic<int> failures{0};
  std::atomic<bool> writing{true};
  std::set<std::size_t> badSizes;
  std::thread reader([&] {
    while (writing) {
      const std::string seen = test::ReadBytes(path);
      if (seen != contents[0] && seen != contents[1]) badSizes.insert(seen.size());
    }
  });
  auto writer = [&](int which) {
    for (int i = 0; i < 30; ++i) {
      ReplacingFile file;
      const std::string& bytes = contents[which];
      // In pieces, so the two writers' writes interleave.
      bool ok = file.Open(path);
      for (std::size_t at = 0; ok && at < bytes.size(); at += 10000)
        ok = file.Write(std::string_view(bytes).substr(at, 10000));
      if (!ok || !file.Commit()) ++failures;
    }
  };
  std::thread first(writer, 0);
  std::thread second(writer, 1);
  first.join();
  second.join();
  writing = false;
  reader.join();
  EXPECT_EQ(failures, 0);
  EXPECT_TRUE(badSizes.empty()) << "a reader saw a file of " << *badSizes.begin() << " bytes";
  const std::string final = test::ReadBytes(path);
  EXPECT_TRUE(final == contents[0] || final == contents[1]) << final.size();
  EXPECT_EQ(FileCount(folder.path()), 1u);
}

}  // namespace
}  // namespace kurimo
