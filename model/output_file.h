// The run's text file: lines written in Shift_JIS (code page 932), each ending in CR LF.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace kurimo {

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  // Creates the file, or empties an existing one. False on failure (see Error()).
  bool Open(const std::string& path);
  // Writes one line given in UTF-8. Once a write has failed, every later call is false.
  bool WriteLine(std::string_view utf8);
  // Pushes buffered lines to the file so that a full disk shows up now. False on failure.
  bool Flush();
  // Closes the file; false if the last buffered lines could not be written.
  bool Close();

  bool IsOpen() const { return file_ != nullptr; }
  // Why the last operation failed, in Japanese where the reason is a common one.
  const std::string& Error() const { return error_; }

 private:
  void Fail(int errorNumber);

  std::FILE* file_ = nullptr;
  bool failed_ = false;
  std::string error_;
};

// The system's reason for an error number, in words for the user.
std::string DescribeSystemError(int errorNumber);

}  // namespace kurimo
