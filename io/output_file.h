// The run's text file: lines written in Shift_JIS (code page 932), each ending in CR LF. The
// file replaces an earlier one only when the run commits it, so a run that stops, fails or is
// killed leaves the earlier report as it was.
#pragma once

#include <string>
#include <string_view>

#include "atomic_file.h"

namespace kurimo {

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  // Discards what was not committed.
  ~OutputFile() = default;

  // Prepares the file. Fails at once, before any line, where writing cannot work: a missing
  // folder, a folder in the way, a read-only file, a folder without write permission.
  bool Open(const std::string& path);
  // Writes one line given in UTF-8. Once a write has failed, every later call is false.
  bool WriteLine(std::string_view utf8);
  // Pushes buffered lines to the disk so that a full disk shows up now. False on failure.
  bool Flush();
  // Puts the finished file in place of any earlier one; false (the earlier file kept) if any
  // line could not be written.
  bool Commit();
  // Drops the lines written: an earlier file stays exactly as it was.
  void Discard();

  bool IsOpen() const { return file_.IsOpen(); }
  // Why the last operation failed, in Japanese where the reason is a common one.
  const std::string& Error() const { return error_.empty() ? file_.Error() : error_; }

 private:
  ReplacingFile file_;
  std::string error_;  // a failure of this class's own, such as a character Shift_JIS lacks
};

}  // namespace kurimo
