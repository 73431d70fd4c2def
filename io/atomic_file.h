// Whole files written so that a failure never leaves a half-written file behind: the bytes
// go to a temporary file in the target's folder, which is renamed over the target once it is
// complete and on the disk. Until then the earlier file stays exactly as it was.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kurimo {

// A file written whole. Open decides where the bytes go:
//  - a regular file (or a new name) is replaced only by Commit, through a temporary file in
//    its folder; a symbolic link stays a link and the file it leads to is replaced;
//  - anything else that can be written (a device such as /dev/null, a pipe, a terminal) is
//    written directly, since there is nothing to replace. Opening never waits: a pipe
//    (FIFO) that nobody reads is refused at once; one with a reader takes the bytes, and a
//    write then waits for a slow reader until a stop signal (stop_signals.h) ends it.
// Every failure is reported by a false result and described by Error(); after a failure
// every later call is false and the temporary file is already gone. A write past the
// file-size limit fails (EFBIG) once the program ignores SIGXFSZ (IgnoreFileSizeSignal).
class ReplacingFile {
 public:
  ReplacingFile() = default;
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  // Discards what was not committed.
  ~ReplacingFile();

  // Prepares to write `path`. Finds the failures a write would meet (missing folder, a folder
  // in the way, a read-only file, a folder without write permission) before anything is
  // written. Discards whatever this object held before.
  bool Open(const std::string& path);
  // Adds bytes; they are buffered and reach the file on Flush or Commit at the latest.
  bool Write(std::string_view bytes);
  // Pushes the buffered bytes to the file now, so that a full disk shows up here.
  bool Flush();
  // Puts the complete file in place of the target. On failure the target is as it was.
  bool Commit();
  // Drops what was written: the target stays exactly as it was, no temporary file remains.
  // (A device or pipe has already taken what was flushed to it.)
  void Discard();

  bool IsOpen() const { return fd_ >= 0; }
  // Why the last operation failed, in words for the user.
  const std::string& Error() const { return error_; }

 private:
  bool WriteOut(std::string_view bytes);
  bool Fail(int errorNumber);
  bool Fail(std::string reason);
  void Release();

  int fd_ = -1;
  std::string temporaryPath_;  // empty when writing directly
  std::string targetPath_;     // the file the temporary one replaces
  std::string buffer_;
  bool failed_ = false;
  std::string error_;
};

// Writes `bytes` to `path`, replacing any file there. Returns no value on success, or the
// reason for the failure in words for the user (as DescribeSystemError gives it). On
// failure the target is as it was before and no temporary file remains.
std::optional<std::string> WriteFileAtomically(const std::string& path, std::string_view bytes);

// Whether a failure met a file being written (or created) or a file being read: a few errors
// mean something else for each ("フォルダーが見つかりません" / "ファイルが見つかりません").
enum class FileUse { Write, Read };

// The system's reason for an error number, in Japanese words for the user: every error a
// file can meet has its own sentence; a number nobody foresaw is said to be unexpected and
// given with its number.
std::string DescribeSystemError(int errorNumber, FileUse use = FileUse::Write);

// The reason given when a file name is empty.
inline constexpr std::string_view kEmptyFileNameReason = "ファイル名が空です";

}  // namespace kurimo
