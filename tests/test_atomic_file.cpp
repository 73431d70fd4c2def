// Whole-file writes and the report file built on them: the target is either the new bytes or
// untouched, a link stays a link, devices and pipes are written rather than replaced, no
// temporary file is left behind, and every failure is said in Japanese.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "atomic_file.h"
#include "output_file.h"
#include "test_helpers.h"

namespace kurimo {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// The names in a folder, sorted; a temporary file shows as ".kurimo-?" whatever its suffix.
Names NamesIn(const fs::path& folder) {
  Names names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    names.push_back(name.size() == 14 && name.rfind(".kurimo-", 0) == 0 ? ".kurimo-?" : name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

void WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

bool SetImmutable(const std::string& path, bool on) {
  const int fd = open(path.c_str(), O_RDONLY);
  int flags = 0;
  const bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                  (flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL,
                   ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
  return close(fd), ok;
}

// Makes entries in `folder` from lines such as "d data" (a folder), "f data/real.csv" (a file
// holding "earlier"), "l link ../data/real.csv" (a link; "@" is the folder), "m . 555" (a
// mode) or "i real.csv" (immutable). False when the system refuses one.
bool Make(const fs::path& folder, std::initializer_list<std::string_view> lines) {
  for (const std::string_view line : lines) {
    std::istringstream words{std::string(line)};
    std::string kind, name, text;
    words >> kind >> name >> text;
    const std::string path = (folder / name).string();
    if (text.rfind('@', 0) == 0) text = folder.string() + text.substr(1);
    if (kind == "d") fs::create_directory(path);
    if (kind == "f") WriteBytes(path, "earlier");
    if (kind == "l" && symlink(text.c_str(), path.c_str()) != 0) return false;
    if (kind == "m" && chmod(path.c_str(), std::stoi(text, nullptr, 8)) != 0) return false;
    if (kind == "i" && !SetImmutable(path, true)) return false;
  }
  return true;
}

// What a file holds from its start, or what waits in a pipe.
std::string ReadFrom(int fd, bool fromStart = false) {
  char buffer[64] = {};
  const ssize_t n = fromStart ? pread(fd, buffer, sizeof buffer, 0) : read(fd, buffer, 64);
  close(fd);
  return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

TEST(AtomicFile, TheTargetIsReplacedOnlyByTheCommittedWholeFile) {
  test::TempFolder folder;
  const std::string path = folder.File("report.txt");
  WriteBytes(path, "earlier");
  ReplacingFile file;
  ASSERT_TRUE(file.Open(path));
  // Small pieces gather in a buffer, large ones go straight through.
  std::string expected;
  char next = 'a';
  for (const std::size_t size : {1, 3, 65533, 2, 70000, 65536, 0, 5, 200000, 7}) {
    expected += std::string(size, next++);
    ASSERT_TRUE(file.Write(std::string_view(expected).substr(expected.size() - size)));
  }
  ASSERT_TRUE(file.Flush());
  // Another writer of the same name meanwhile gets a temporary file of its own.
  ReplacingFile other;
  ASSERT_TRUE(other.Open(path) && other.Write("other") && other.Flush());
  EXPECT_EQ(test::ReadBytes(path), "earlier");
  EXPECT_EQ(NamesIn(folder.path()), (Names{".kurimo-?", ".kurimo-?", "report.txt"}));
  ASSERT_TRUE(other.Commit());
  EXPECT_EQ(test::ReadBytes(path), "other");
  ASSERT_TRUE(file.Commit()) << file.Error();
  EXPECT_EQ(test::ReadBytes(path), expected);
  EXPECT_FALSE(file.Write("after the commit"));
  // A bare name is in the working folder.
  const fs::path previous = fs::current_path();
  fs::current_path(folder.path());
  EXPECT_EQ(WriteFileAtomically("report.txt", std::string("a\0b", 3)), std::nullopt);
  fs::current_path(previous);
  EXPECT_EQ(test::ReadBytes(path), std::string("a\0b", 3));
  EXPECT_EQ(WriteFileAtomically(path, ""), std::nullopt);
  EXPECT_EQ(test::ReadBytes(path), "");
  EXPECT_EQ(NamesIn(folder.path()), Names{"report.txt"});
}

// A file opened on `path` with a first piece written and flushed, then left by `leave`, whose
// calls must all fail; the earlier file must then be as it was, with nothing beside it.
template <typename File>
struct Abandon {
  const char* name;
  std::function<bool(File&, const std::string&)> leave;
  std::string error;
};

template <typename File>
void ExpectEarlierFileKept(std::initializer_list<Abandon<File>> rows) {
  for (const Abandon<File>& row : rows) {
    SCOPED_TRACE(row.name);
    test::TempFolder folder;
    const std::string path = folder.File("kept.txt");
    WriteBytes(path, "earlier");
    {
      File file;
      ASSERT_TRUE(file.Open(path));
      if constexpr (std::is_same_v<File, OutputFile>) {
        ASSERT_TRUE(file.WriteLine("half of a new") && file.Flush());
      } else {
        ASSERT_TRUE(file.Write("half of a new") && file.Flush());
      }
      EXPECT_FALSE(row.leave(file, path));
      EXPECT_EQ(file.Error(), row.error);
    }
    EXPECT_EQ(fs::is_directory(path) ? "earlier" : test::ReadBytes(path), "earlier");
    EXPECT_EQ(NamesIn(folder.path()), Names{"kept.txt"});
  }
}

TEST(AtomicFile, AnUncommittedFileLeavesTheEarlierOne) {
  ExpectEarlierFileKept<ReplacingFile>({
      {"discarded", [](ReplacingFile& f, auto&) { return f.Discard(), f.Commit(); }, ""},
      {"destroyed unfinished", [](ReplacingFile&, auto&) { return false; }, ""},
      {"a folder took the target's place",
       [](ReplacingFile& f, const std::string& p) {
         return fs::remove(p) && fs::create_directory(p) && f.Commit();
       },
       "同じ名前のフォルダーがあります"},
  });
  ExpectEarlierFileKept<OutputFile>({
      {"report discarded", [](OutputFile& f, auto&) { return f.Discard(), f.Commit(); }, ""},
      {"a report line Shift_JIS cannot hold",
       [](OutputFile& f, auto&) {
         return f.WriteLine("\xF0\x9F\x98\x80") || f.WriteLine("x") || f.Flush() || f.Commit();
       },
       "Shift_JIS で書けない文字があります"},
  });
}

TEST(OutputFile, ShiftJisLinesEndInCrLf) {
  test::TempFolder folder;
  OutputFile file;
  ASSERT_TRUE(file.Open(folder.File("Kurimo_OUT.txt")));
  EXPECT_TRUE(file.WriteLine("　(×倍)ﾀ") && file.WriteLine("") && file.Commit());
  EXPECT_EQ(test::ReadBytes(folder.File("Kurimo_OUT.txt")),
            "\x81\x40(\x81\x7E\x94\x7B)\xC0\r\n\r\n");
  // Failures of the whole-file writer reach the report before any line.
  EXPECT_FALSE(file.Open(folder.File("no/such/folder.txt")));
  EXPECT_EQ(file.Error(), "フォルダーが見つかりません");
  EXPECT_FALSE(file.WriteLine("x") || file.Commit());
}

TEST(AtomicFile, OwnerAndPermissionsOfTheFileAreKept) {
  test::TempFolder folder;
  const std::string kept = folder.File("kept.csv");
  ASSERT_TRUE(Make(folder.path(), {"f kept.csv", "m kept.csv 640"}));
  const bool root = geteuid() == 0;  // only root can give a file to another owner
  ASSERT_TRUE(!root || chown(kept.c_str(), 4321, 8765) == 0);
  ASSERT_EQ(WriteFileAtomically(kept, "2"), std::nullopt);
  struct stat info {};
  ASSERT_EQ(stat(kept.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_TRUE(!root || (info.st_uid == 4321u && info.st_gid == 8765u));
  // A new file gets what the umask allows, as a plain open gives it.
  const mode_t previous = umask(027);
  const std::optional<std::string> fresh = WriteFileAtomically(folder.File("new.csv"), "n");
  umask(previous);
  ASSERT_EQ(fresh, std::nullopt);
  ASSERT_EQ(stat(folder.File("new.csv").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(AtomicFile, LinksStayLinksAndTheFileTheyLeadToIsReplaced) {
  const struct {
    std::initializer_list<std::string_view> links;
    const char* written;
    const char* target;
  } rows[] = {
      {{"l link @/data/real.csv"}, "link", "data/real.csv"},
      {{"l sub/link ../data/real.csv"}, "sub/link", "data/real.csv"},
      {{"l a sub/b", "l sub/b c", "l sub/c ../data/real.csv"}, "a", "data/real.csv"},
      {{"l sub/link ../data/new.csv"}, "sub/link", "data/new.csv"},  // dangling
      {{"l via data", "l via/link real.csv"}, "via/link", "data/real.csv"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.written);
    test::TempFolder folder;
    ASSERT_TRUE(Make(folder.path(), {"d data", "d sub", "f data/real.csv"}));
    ASSERT_TRUE(Make(folder.path(), row.links));
    ASSERT_EQ(WriteFileAtomically(folder.File(row.written), "new"), std::nullopt);
    EXPECT_EQ(test::ReadBytes(folder.File(row.target)), "new");
    EXPECT_TRUE(fs::is_symlink(folder.File(row.written)));
  }
}

TEST(AtomicFile, DevicesPipesAndOpenFilesUnderProcAreWrittenNotReplaced) {
  EXPECT_EQ(WriteFileAtomically("/dev/null", "discarded"), std::nullopt);
  struct stat info {};
  EXPECT_TRUE(lstat("/dev/null", &info) == 0 && S_ISCHR(info.st_mode));
  test::TempFolder folder;
  // The reading end is open first, so the write cannot block; were the FIFO replaced by a
  // file, the reader would see nothing.
  const std::string fifo = folder.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  EXPECT_EQ(WriteFileAtomically(fifo, "through the pipe"), std::nullopt);
  EXPECT_EQ(ReadFrom(reader), "through the pipe");
  // /dev/stdout leads to /proc/self/fd/1, whose link text ("pipe:[…]", "/x (deleted)") is
  // no path to replace: the open file itself takes the bytes.
  for (const bool deleted : {false, true}) {
    WriteBytes(folder.File("out.txt"), "earlier content");
    const int fd = open(folder.File("out.txt").c_str(), O_RDONLY);
    if (deleted) unlink(folder.File("out.txt").c_str());
    EXPECT_EQ(WriteFileAtomically("/proc/self/fd/" + std::to_string(fd), "written"), std::nullopt);
    EXPECT_EQ(ReadFrom(fd, true), "written") << deleted;
  }
  EXPECT_EQ(NamesIn(folder.path()), Names{"fifo"});
}

TEST(AtomicFile, FailuresAreSaidInJapaneseAndKeepTheEarlierFile) {
  const bool root = geteuid() == 0;  // root writes where permissions forbid it
  const struct {
    std::initializer_list<std::string_view> make;
    std::string path;  // in the folder; empty for an empty name
    std::string reason;
    bool applies = true;
  } rows[] = {
      {{}, "", "ファイル名が空です"},
      {{}, "no/such.csv", "フォルダーが見つかりません"},
      {{"d x"}, "x", "同じ名前のフォルダーがあります"},
      {{}, "earlier.csv/x.csv", "途中の名前がフォルダーではありません"},
      {{"l a b", "l b a"}, "a", "シンボリックリンクが循環しているか、つながりが長すぎます"},
      {{}, std::string(256, 'n'), "ファイル名が長すぎます"},
      {{"m earlier.csv 444"}, "earlier.csv", "書き込みの権限がありません", !root},
      {{"m . 555"}, "earlier.csv", "書き込みの権限がありません", !root},
      // Even root cannot write an immutable file: refused at once, as a plain open would be.
      {{"i earlier.csv"}, "earlier.csv", "書き込みの権限がありません"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    test::TempFolder folder;
    WriteBytes(folder.File("earlier.csv"), "earlier");
    if (!row.applies || !Make(folder.path(), row.make)) continue;
    const std::string path = row.path.empty() ? "" : folder.File(row.path);
    const Names before = NamesIn(folder.path());
    ReplacingFile file;
    EXPECT_FALSE(file.Open(path));
    EXPECT_EQ(file.Error(), row.reason);
    EXPECT_FALSE(file.Write("x") || file.Commit());
    EXPECT_EQ(WriteFileAtomically(path, "x"), row.reason);
    chmod(folder.path().c_str(), 0700);
    SetImmutable(folder.File("earlier.csv"), false);
    EXPECT_EQ(test::ReadBytes(folder.File("earlier.csv")), "earlier");
    EXPECT_EQ(NamesIn(folder.path()), before);
  }
  // A full disk shows when the bytes are pushed out; then every call fails.
  ReplacingFile full;
  ASSERT_TRUE(full.Open("/dev/full") && full.Write("buffered"));
  EXPECT_FALSE(full.Flush() || full.Write("more") || full.Flush() || full.Commit());
  EXPECT_EQ(full.Error(), "ディスクの空き容量が足りません");
  EXPECT_EQ(WriteFileAtomically("/dev/full", "x"), "ディスクの空き容量が足りません");
}

}  // namespace
}  // namespace kurimo
