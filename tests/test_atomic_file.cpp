// Whole-file writes and the report built on them: all the new bytes or the file untouched.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <thread>

#include "atomic_file.h"
#include "output_file.h"
#include "stop_signals.h"
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
    names.push_back(name.rfind(".kurimo-", 0) == 0 ? ".kurimo-?" : name);
  }
  return std::sort(names.begin(), names.end()), names;
}

// Makes entries in `folder` from lines such as "d data" (a folder), "f data/real.csv" (a file
// holding "earlier"), "l link ../data/real.csv" (a link), "m . 555" (a mode) or "i real.csv"
// (immutable, which even root cannot write through). False when the system refuses one.
bool Make(const fs::path& folder, std::initializer_list<std::string_view> lines) {
  for (const std::string_view line : lines) {
    std::istringstream words{std::string(line)};
    std::string kind, name, text;
    words >> kind >> name >> text;
    const std::string path = (folder / name).string();
    if (kind == "d") fs::create_directory(path);
    if (kind == "f") std::ofstream(path) << "earlier";
    if (kind == "l" && symlink(text.c_str(), path.c_str()) != 0) return false;
    if (kind == "m" && chmod(path.c_str(), std::stoi(text, nullptr, 8)) != 0) return false;
    if (kind == "i" && std::system(("chattr +i '" + path + "' 2>/dev/null").c_str()) != 0)
      return false;
  }
  return true;
}

TEST(AtomicFile, TheTargetIsReplacedOnlyByTheCommittedWholeFileKeepingItsMode) {
  test::TempFolder folder;
  const std::string path = folder.File("report.txt");
  ASSERT_TRUE(Make(folder.path(), {"f report.txt", "m report.txt 604"}));
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
  // Another writer of the same name, given bare in the working folder, has its own file.
  ReplacingFile other;
  const fs::path previous = fs::current_path();
  fs::current_path(folder.path());
  ASSERT_TRUE(other.Open("report.txt") && other.Write(std::string("a\0b", 3)) && other.Flush());
  EXPECT_EQ(test::ReadBytes(path), "earlier");
  EXPECT_EQ(NamesIn(folder.path()), (Names{".kurimo-?", ".kurimo-?", "report.txt"}));
  EXPECT_TRUE(other.Commit());
  fs::current_path(previous);
  EXPECT_EQ(test::ReadBytes(path), std::string("a\0b", 3));
  ASSERT_TRUE(file.Commit()) << file.Error();
  EXPECT_EQ(test::ReadBytes(path), expected);
  EXPECT_FALSE(file.Write("after the commit"));
  EXPECT_EQ(fs::status(path).permissions(), fs::perms(0604));
  // A new file gets what the umask allows, as a plain open gives it.
  const mode_t umasked = umask(027);
  EXPECT_EQ(WriteFileAtomically(folder.File("new.csv"), ""), std::nullopt);
  umask(umasked);
  EXPECT_EQ(fs::status(folder.File("new.csv")).permissions(), fs::perms(0640));
  // A folder takes the file's place while it is written: the rename fails, nothing is left.
  ASSERT_TRUE(file.Open(path) && file.Write("x") && fs::remove(path) && fs::create_directory(path));
  EXPECT_FALSE(file.Commit());
  EXPECT_EQ(file.Error(), "同じ名前のフォルダーがあります");
  EXPECT_EQ(NamesIn(folder.path()), (Names{"new.csv", "report.txt"}));
}

TEST(OutputFile, ShiftJisLinesWithCrLfAndOnlyACommittedReportReplacesTheEarlierOne) {
  test::TempFolder folder;
  const std::string path = folder.File("Kurimo_OUT.txt");
  const std::string earlier = "\x81\x40(\x81\x7E\x94\x7B)\xC0\r\n\r\n";
  OutputFile file;
  ASSERT_TRUE(file.Open(path));
  EXPECT_TRUE(file.WriteLine("　(×倍)ﾀ") && file.WriteLine("") && file.Commit());
  EXPECT_EQ(test::ReadBytes(path), earlier);
  ASSERT_TRUE(file.Open(path) && file.WriteLine("new") && file.Flush());
  EXPECT_FALSE(file.WriteLine("\xF0\x9F\x98\x80"));  // an emoji
  EXPECT_EQ(file.Error(), "Shift_JIS で書けない文字があります");
  EXPECT_FALSE(file.WriteLine("x") || file.Flush() || file.Commit());
  ASSERT_TRUE(file.Open(path) && file.WriteLine("new") && file.Flush());
  file.Discard();
  EXPECT_FALSE(file.Commit());
  {
    OutputFile dropped;  // a run that ends without committing
    ASSERT_TRUE(dropped.Open(path) && dropped.WriteLine("new") && dropped.Flush());
  }
  EXPECT_EQ(test::ReadBytes(path), earlier);
  EXPECT_EQ(NamesIn(folder.path()), Names{"Kurimo_OUT.txt"});
}

TEST(AtomicFile, PipesAndOpenFilesUnderProcAreWrittenNotReplaced) {
  test::TempFolder folder;
  const std::string fifo = folder.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Nobody reads: refused at once, where a plain open would wait for a reader for ever.
  EXPECT_EQ(
      test::InChild([&] { return WriteFileAtomically(fifo, "x").value_or("written"); }, {}, 5),
      "読み出すプログラムのいないパイプか、つながっていない装置です");
  // A slow reader: once open, the writes wait for it rather than fail as full (EAGAIN).
  const int reader = open(fifo.c_str(), O_RDWR);  // reads, and never ends the pipe by itself
  const std::string bytes(300 * 1024, 'p');
  std::string received;
  std::thread slow([&] {
    char buffer[4096];
    pollfd more{reader, POLLIN, 0};
    while (received.size() < bytes.size() && poll(&more, 1, 2000) == 1) {  // or the writer gave up
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      const ssize_t n = read(reader, buffer, sizeof buffer);
      if (n <= 0) break;
      received.append(buffer, static_cast<std::size_t>(n));
    }
  });
  EXPECT_EQ(WriteFileAtomically(fifo, bytes), std::nullopt);
  slow.join();
  EXPECT_TRUE(received == bytes) << received.size() << " bytes";
  EXPECT_TRUE(fs::is_fifo(fifo));
  close(reader);
  // /dev/stdout leads to /proc/self/fd/1, whose link text ("pipe:[…]", "/x (deleted)") is
  // no path to replace: the open file itself takes the bytes.
  ASSERT_TRUE(Make(folder.path(), {"f out.txt"}));
  const int fd = open(folder.File("out.txt").c_str(), O_RDONLY);
  const std::string name = "/proc/self/fd/" + std::to_string(fd);
  EXPECT_EQ(WriteFileAtomically(name, "new"), std::nullopt);
  EXPECT_EQ(test::ReadBytes(name), "new");
  close(fd);
  EXPECT_EQ(NamesIn(folder.path()), (Names{"fifo", "out.txt"}));
}

// A stop signal ends a write that waits for a pipe nobody reads, and every later write of the
// program. Past the file-size limit (ulimit -f) a write fails like a full disk, once SIGXFSZ,
// which would end the program with its temporary file left, is ignored. Either way what was
// not committed is dropped and the earlier file stays.
TEST(AtomicFile, AStopOrTheFileSizeLimitEndsAWriteAndLeavesTheEarlierFile) {
  test::TempFolder folder;
  const std::string fifo = folder.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_TRUE(Make(folder.path(), {"f report.txt"}));
  const std::string answer = test::InChild(
      [&] {
        InstallStopHandlers();
        const int reader = open(fifo.c_str(), O_RDWR);  // holds the pipe open, never reads
        ReplacingFile report;
        ReplacingFile pipe;
        if (reader < 0 || !report.Open(folder.File("report.txt")) || !report.Write("new") ||
            !pipe.Open(fifo)) {
          return std::string("not opened");
        }
        const bool piped = pipe.Write(std::string(1 << 20, 'x')) && pipe.Commit();
        const bool committed = report.Write(std::string(100000, 'y')) && report.Commit();
        return (piped ? "written" : pipe.Error()) + "|" +
               (committed ? "committed" : report.Error());
      },
      [](pid_t child) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the pipe is full by now
        kill(child, SIGTERM);
      });
  EXPECT_EQ(answer, "中止の指示で中断しました|中止の指示で中断しました");
  EXPECT_EQ(test::InChild([&] {
              IgnoreFileSizeSignal();
              const rlimit limit{4096, 4096};
              setrlimit(RLIMIT_FSIZE, &limit);
              return WriteFileAtomically(folder.File("report.txt"), std::string(100000, 'n'))
                  .value_or("written");
            }),
            "ファイルが、許された大きさの上限を超えます");
  EXPECT_EQ(test::ReadBytes(folder.File("report.txt")), "earlier");
  EXPECT_EQ(NamesIn(folder.path()), (Names{"fifo", "report.txt"}));
}

// Every error a file can meet is said in a Japanese sentence of its own, never in the
// system's English words; reading and writing differ where the error means something else.
TEST(DescribeSystemError, EachErrorHasItsOwnJapaneseSentence) {
  const int errors[] = {
      EACCES, EROFS,     ENOENT, ENOTDIR, EISDIR, ENOTEMPTY, EEXIST,    ENOSPC,  EDQUOT,
      EFBIG,  EOVERFLOW, EMFILE, ELOOP,   EMLINK, EXDEV,     EIO,       EUCLEAN, ENOMEDIUM,
      ENXIO,  ENODEV,    EPIPE,  ESPIPE,  EAGAIN, EINTR,     ETXTBSY,   EBUSY,   ENOLCK,
      EINVAL, ENOTSUP,   ENOSYS, EBADF,   ENOMEM, ESTALE,    ETIMEDOUT, EFAULT,  ENAMETOOLONG};
  std::set<std::string> sentences;
  for (const int error : errors) {
    const std::string sentence = DescribeSystemError(error);
    EXPECT_TRUE(sentences.insert(sentence).second) << error << ": " << sentence;
    EXPECT_FALSE(sentence.starts_with("予期しない")) << error;
    const auto latin = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    EXPECT_FALSE(std::ranges::any_of(sentence, latin)) << error << ": " << sentence;
  }
  // The same sentence for errors the user cannot tell apart.
  EXPECT_EQ(DescribeSystemError(EPERM), DescribeSystemError(EACCES));
  EXPECT_EQ(DescribeSystemError(ENFILE), DescribeSystemError(EMFILE));
  // ENOENT and EISDIR are told apart in the names' table below and the case file's.
  EXPECT_EQ(DescribeSystemError(EACCES, FileUse::Read), "読み取りの権限がありません");
  EXPECT_EQ(DescribeSystemError(EACCES, FileUse::Write), "書き込みの権限がありません");
  EXPECT_EQ(DescribeSystemError(4095), "予期しないシステムのエラーです（エラー番号 4095）");
}

// A name leads through its links to the file that takes the bytes, or to the reason why none
// can, found before anything is written; the file already there is then as it was.
TEST(AtomicFile, EachNameLeadsToItsFileOrToAReasonInJapanese) {
  const bool root = geteuid() == 0;  // root writes where permissions forbid it
  const struct {
    std::initializer_list<std::string_view> make;
    std::string path;    // in the folder; empty for an empty name
    std::string result;  // the file written, or the reason
    bool applies = true;
  } rows[] = {
      {{"l a sub/b", "l sub/b c", "l sub/c ../data/real.csv"}, "a", "data/real.csv"},
      {{"l sub/link ../data/new.csv"}, "sub/link", "data/new.csv"},  // dangling
      {{"l via data", "l via/link real.csv"}, "via/link", "data/real.csv"},
      {{}, "", "ファイル名が空です"},
      {{}, "no/such.csv", "フォルダーが見つかりません"},
      {{}, "data", "同じ名前のフォルダーがあります"},
      {{}, "data/real.csv/x.csv", "途中の名前がフォルダーではありません"},
      {{"l a b", "l b a"}, "a", "シンボリックリンクが循環しているか、つながりが長すぎます"},
      {{}, "data/" + std::string(256, 'n'), "ファイル名が長すぎます"},
      {{"m data/real.csv 444"}, "data/real.csv", "書き込みの権限がありません", !root},
      {{"m data 555"}, "data/real.csv", "書き込みの権限がありません", !root},
      {{"i data/real.csv"}, "data/real.csv", "書き込みの権限がありません"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    test::TempFolder folder;
    const fs::path data = folder.path() / "data";
    ASSERT_TRUE(Make(folder.path(), {"d data", "d sub", "f data/real.csv"}));
    if (!row.applies || !Make(folder.path(), row.make)) continue;
    const std::string path = row.path.empty() ? "" : folder.File(row.path);
    if (row.result.rfind("data/", 0) == 0) {
      ASSERT_EQ(WriteFileAtomically(path, "new"), std::nullopt);
      EXPECT_EQ(test::ReadBytes(folder.File(row.result)), "new");
      EXPECT_TRUE(fs::is_symlink(path));
      continue;
    }
    ReplacingFile file;
    EXPECT_FALSE(file.Open(path));
    EXPECT_EQ(file.Error(), row.result);
    EXPECT_FALSE(file.Write("x") || file.Commit());
    EXPECT_EQ(WriteFileAtomically(path, "x"), row.result);
    chmod(data.c_str(), 0700);
    std::system(("chattr -i '" + (data / "real.csv").string() + "' 2>/dev/null").c_str());
    EXPECT_EQ(test::ReadBytes((data / "real.csv").string()), "earlier");
    EXPECT_EQ(NamesIn(data), Names{"real.csv"});
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
