#include "atomic_file.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "stop_signals.h"

namespace kurimo {

std::string DescribeSystemError(int errorNumber, FileUse use) {
  const bool reading = use == FileUse::Read;
  switch (errorNumber) {
    case EACCES:
    case EPERM:
      return reading ? "読み取りの権限がありません" : "書き込みの権限がありません";
    case EROFS:
      return "読み取り専用の場所です";
    case ENOENT:
      // A new file is created where the name says, so only a folder can be missing.
      return reading ? "ファイルが見つかりません" : "フォルダーが見つかりません";
    case ENOTDIR:
      return "途中の名前がフォルダーではありません";
    case EISDIR:
      return reading ? "ファイルではなくフォルダーです" : "同じ名前のフォルダーがあります";
    case ENOTEMPTY:
      return "同じ名前の、空でないフォルダーがあります";
    case EEXIST:
      return "同じ名前のものがすでにあります";
    case ENOSPC:
      return "ディスクの空き容量が足りません";
    case EDQUOT:
      return "ディスクの使用量の割り当てを超えます";
    case EFBIG:
      return "ファイルが、許された大きさの上限を超えます";
    case EOVERFLOW:
      return "ファイルが大きすぎて扱えません";
    case ENAMETOOLONG:
      return "ファイル名が長すぎます";
    case EMFILE:
    case ENFILE:
      return "開いているファイルが多すぎます";
    case ELOOP:
      return "シンボリックリンクが循環しているか、つながりが長すぎます";
    case EMLINK:
      return "リンクの数が多すぎます";
    case EXDEV:
      return "別のファイルシステムをまたいで置き換えることはできません";
    case EIO:
      return "ディスクの読み書きでエラーが起きました";
    case EUCLEAN:
      return "ファイルシステムが壊れています";
    case ENOMEDIUM:
      return "装置に記録媒体が入っていません";
    case ENXIO:
      return reading ? "つながっていない装置です"
                     : "読み出すプログラムのいないパイプか、つながっていない装置です";
    case ENODEV:
      return reading ? "この装置からは読み込めません" : "この装置には書き込めません";
    case EPIPE:
      return "読み出すプログラムがパイプを閉じました";
    case ESPIPE:
      return "パイプなど、位置を決めて読み書きできないものです";
    case EAGAIN:
      return reading ? "まだ読むものがありません" : "相手がいまは受け取れない状態です";
    case EINTR:
      return "中止の指示で中断しました";
    case ETXTBSY:
      return "実行中のプログラムのファイルなので書き換えられません";
    case EBUSY:
      return "ファイルまたは装置が使用中です";
    case ENOLCK:
    case EDEADLK:
      return "ファイルのロックを取れません";
    case EINVAL:
      return "このファイルシステムや装置ではこの操作ができません";
    case ENOTSUP:
      return "このファイルシステムでは使えない操作です";
    case ENOSYS:
      return "このシステムでは使えない操作です";
    case EBADF:
      return reading ? "読み込み用に開かれていないファイルです"
                     : "書き込み用に開かれていないファイルです";
    case ENOMEM:
      return "メモリーが足りません";
    case ESTALE:
      return "ネットワーク上のファイルが見えなくなりました";
    case ETIMEDOUT:
      return "応答がなく、時間切れになりました";
    case EFAULT:
      return "プログラム内部の誤りで、メモリーの番地が正しくありません";
    default:
      break;
  }
  // A number no sentence above foresees: said as such, with the number for a closer look.
  return "予期しないシステムのエラーです（エラー番号 " + std::to_string(errorNumber) + "）";
}

namespace {

// The most symbolic links followed from one name, as the system itself follows.
constexpr int kMaxLinkHops = 40;

// Bytes gathered before they go to the file in one write.
constexpr std::size_t kBufferSize = 64 * 1024;

// The folder part of a path: "." for a bare name, "/" for a name in the root folder.
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string InFolder(const std::string& folder, std::string_view name) {
  std::string path = folder;
  if (path != "/") path += '/';
  path += name;
  return path;
}

// Links under /proc (/proc/self/fd/1, where /dev/stdout leads) name an open file rather than
// a path: their text may be "pipe:[123]" or "/tmp/x (deleted)".
bool IsProcLink(const std::string& linkPath) {
  struct statfs info {};
  return statfs(FolderOf(linkPath).c_str(), &info) == 0 && info.f_type == PROC_SUPER_MAGIC;
}

// The text of a symbolic link, or no value with errno set.
std::optional<std::string> ReadLink(const std::string& path, std::size_t sizeHint) {
  std::vector<char> buffer(sizeHint + 1 > 256 ? sizeHint + 1 : 256);
  for (;;) {
    const ssize_t n = readlink(path.c_str(), buffer.data(), buffer.size());
    if (n < 0) return std::nullopt;
    if (static_cast<std::size_t>(n) < buffer.size()) {
      return std::string(buffer.data(), static_cast<std::size_t>(n));
    }
    buffer.resize(buffer.size() * 2);
  }
}

// Where a name leads after the symbolic links of its last part are followed.
struct LinkEnd {
  std::string path;       // the last name reached: not a link (or nothing there yet)
  bool procLink = false;  // the chain went through a /proc link; `path` is that link
  int error = 0;          // nonzero when the chain cannot be followed
};

LinkEnd FollowLinks(const std::string& path) {
  std::string current = path;
  for (int hops = 0;; ++hops) {
    struct stat info {};
    if (lstat(current.c_str(), &info) != 0) {
      // Nothing there: a new file, or the missing target of a dangling link.
      if (errno == ENOENT) return {current};
      return {current, false, errno};
    }
    if (!S_ISLNK(info.st_mode)) return {current};
    if (hops == kMaxLinkHops) return {current, false, ELOOP};
    if (IsProcLink(current)) return {current, true};
    const std::optional<std::string> text =
        ReadLink(current, static_cast<std::size_t>(info.st_size));
    if (!text) return {current, false, errno};
    if (text->empty()) return {current, false, ENOENT};
    // A relative link is relative to the folder that holds the link.
    current = (*text)[0] == '/' ? *text : InFolder(FolderOf(current), *text);
  }
}

// Six letters or digits that make a temporary name unlikely to be taken.
std::string RandomSuffix() {
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static std::atomic<std::uint64_t> counter{0};
  std::uint64_t bits = 0;
  if (getrandom(&bits, sizeof bits, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bits)) {
    // No entropy yet (early at boot): the clock, the process and a counter still differ
    // between writers, and O_EXCL makes a clash harmless.
    bits = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
           (static_cast<std::uint64_t>(getpid()) << 40) ^
           (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
  }
  std::string suffix;
  for (int i = 0; i < 6; ++i) {
    suffix += kLetters[bits % 62];
    bits /= 62;
  }
  return suffix;
}

// Creates an unused temporary file in `folder`; returns its descriptor, or -1 with errno set.
// `mode` goes through the process's umask like any new file's.
int CreateTemporaryFile(const std::string& folder, mode_t mode, std::string& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = InFolder(folder, ".kurimo-" + RandomSuffix());
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0) return fd;
    if (errno != EEXIST && errno != EINTR) return -1;
  }
  errno = EEXIST;
  return -1;
}

// Makes a new file look like the one it replaces: same permissions and, where the process may
// give them away (as root), the same owner and group. Failures are left alone: some file
// systems keep no permissions, and the bytes matter more than the bits.
void CopyOwnerAndPermissions(int fd, const struct stat& existing) {
  if (geteuid() == 0) {
    [[maybe_unused]] const int owned = fchown(fd, existing.st_uid, existing.st_gid);
  } else if (existing.st_gid != getegid()) {
    [[maybe_unused]] const int grouped = fchown(fd, static_cast<uid_t>(-1), existing.st_gid);
  }
  // After fchown, which may clear the set-user-ID and set-group-ID bits.
  [[maybe_unused]] const int moded = fchmod(fd, existing.st_mode & 07777);
}

// Makes a finished rename survive a crash; a folder that cannot be synced is no failure.
void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// Where the bytes for a name go.
struct Destination {
  int error = 0;        // nonzero when the name cannot be written at all
  bool direct = false;  // written in place: a device, a pipe, an open file under /proc
  std::string target;   // otherwise the regular file to replace (links followed)
  bool targetExists = false;
  struct stat info {};  // the existing target's owner and permissions
};

Destination Refused(int errorNumber) {
  Destination d;
  d.error = errorNumber;
  return d;
}

Destination Direct() {
  Destination d;
  d.direct = true;
  return d;
}

Destination Locate(const std::string& path) {
  Destination d;
  // Another writer may replace the file while the links are followed; the name is then
  // followed again, so that a race never turns into writing the file in place.
  for (int attempt = 0;; ++attempt) {
    // What the name leads to, links followed as any open follows them.
    struct stat original {};
    const bool exists = stat(path.c_str(), &original) == 0;
    if (!exists && errno != ENOENT) return Refused(errno);
    if (exists && S_ISDIR(original.st_mode)) return Refused(EISDIR);
    if (exists && !S_ISREG(original.st_mode)) return Direct();

    const LinkEnd end = FollowLinks(path);
    if (end.error != 0) return Refused(end.error);
    if (end.procLink) return Direct();

    d.target = end.path;
    d.targetExists = stat(end.path.c_str(), &d.info) == 0;
    // A file that exists at the name but not at the end of its links was reached through a
    // name the links do not spell; it is written where the name leads, as a plain open would.
    if (exists && !d.targetExists) return Direct();
    const bool sameFile =
        exists && d.info.st_dev == original.st_dev && d.info.st_ino == original.st_ino;
    const bool changedMeanwhile = exists ? !sameFile : d.targetExists;
    if (changedMeanwhile && attempt < 5) continue;
    if (d.targetExists && S_ISDIR(d.info.st_mode)) return Refused(EISDIR);
    if (d.targetExists && !S_ISREG(d.info.st_mode)) return Direct();
    return d;
  }
}

}  // namespace

ReplacingFile::~ReplacingFile() {
  Release();
}

bool ReplacingFile::Fail(int errorNumber) {
  return Fail(DescribeSystemError(errorNumber));
}

bool ReplacingFile::Fail(std::string reason) {
  Release();
  failed_ = true;
  error_ = std::move(reason);
  return false;
}

void ReplacingFile::Release() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  if (!temporaryPath_.empty()) unlink(temporaryPath_.c_str());
  temporaryPath_.clear();
  targetPath_.clear();
  buffer_.clear();
}

void ReplacingFile::Discard() {
  Release();
}

bool ReplacingFile::Open(const std::string& path) {
  Release();
  failed_ = false;
  error_.clear();
  if (path.empty()) return Fail(std::string(kEmptyFileNameReason));

  const Destination destination = Locate(path);
  if (destination.error != 0) return Fail(destination.error);

  if (destination.direct) {
    // Devices, pipes and terminals take the bytes as they come; nothing is replaced. The open
    // does not wait: a pipe that nobody reads is refused at once (ENXIO) instead of holding
    // the program until a reader comes. Once open, writes wait for a slow reader as usual.
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return Fail(errno);
    fd_ = fd;
    const int flags = fcntl(fd_, F_GETFL);
    if (flags < 0 || fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) return Fail(errno);
    // A regular file reached through /proc is emptied as a plain open would empty it.
    struct stat opened {};
    if (fstat(fd_, &opened) == 0 && S_ISREG(opened.st_mode) && ftruncate(fd_, 0) != 0) {
      return Fail(errno);
    }
    return true;
  }

  // A file the user may not change is not replaced behind their back.
  const std::string& target = destination.target;
  if (destination.targetExists && faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
    return Fail(errno);
  }
  // An existing file's contents stay private to its owner until its permissions are copied.
  std::string temporary;
  const int fd =
      CreateTemporaryFile(FolderOf(target), destination.targetExists ? 0600 : 0666, temporary);
  if (fd < 0) return Fail(errno);
  fd_ = fd;
  temporaryPath_ = temporary;
  targetPath_ = target;
  if (destination.targetExists) CopyOwnerAndPermissions(fd_, destination.info);
  return true;
}

bool ReplacingFile::WriteOut(std::string_view bytes) {
  while (!bytes.empty()) {
    // A stop asked for while a write waited for a slow pipe ends the write (EINTR, or a
    // part of the bytes taken); what was not committed is then dropped.
    if (StopAsked()) return Fail(EINTR);
    const ssize_t n = write(fd_, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;  // looked at again above
      return Fail(errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool ReplacingFile::Write(std::string_view bytes) {
  if (failed_ || fd_ < 0) return false;
  if (buffer_.size() + bytes.size() <= kBufferSize) {
    buffer_.append(bytes);
    return true;
  }
  if (!Flush()) return false;
  if (bytes.size() < kBufferSize) {
    buffer_.append(bytes);
    return true;
  }
  return WriteOut(bytes);
}

bool ReplacingFile::Flush() {
  if (failed_ || fd_ < 0) return false;
  if (!WriteOut(buffer_)) return false;
  buffer_.clear();
  return true;
}

bool ReplacingFile::Commit() {
  if (failed_ || fd_ < 0) return false;
  if (!Flush()) return false;
  if (temporaryPath_.empty()) {
    const int result = close(fd_);
    fd_ = -1;
    // Linux closes the descriptor even when close is interrupted.
    if (result != 0 && errno != EINTR) return Fail(errno);
    return true;
  }
  // A file system that cannot sync (EINVAL) has nothing more to put on the disk.
  if (fsync(fd_) != 0 && errno != EINVAL) return Fail(errno);
  const int result = close(fd_);
  fd_ = -1;
  if (result != 0 && errno != EINTR) return Fail(errno);
  if (rename(temporaryPath_.c_str(), targetPath_.c_str()) != 0) return Fail(errno);
  temporaryPath_.clear();
  SyncFolder(FolderOf(targetPath_));
  targetPath_.clear();
  return true;
}

std::optional<std::string> WriteFileAtomically(const std::string& path, std::string_view bytes) {
  ReplacingFile file;
  if (file.Open(path) && file.Write(bytes) && file.Commit()) return std::nullopt;
  return file.Error();
}

}  // namespace kurimo
