#include "output_file.h"

#include <optional>

#include "text_encoding.h"

namespace kurimo {

bool OutputFile::Open(const std::string& path) {
  error_.clear();
  return file_.Open(path);
}

bool OutputFile::WriteLine(std::string_view utf8) {
  if (!error_.empty()) return false;
  std::optional<std::string> encoded = Utf8ToCp932(utf8);
  if (!encoded) {
    error_ = "Shift_JIS で書けない文字があります";
    file_.Discard();
    return false;
  }
  *encoded += "\r\n";
  return file_.Write(*encoded);
}

bool OutputFile::Flush() {
  return error_.empty() && file_.Flush();
}

bool OutputFile::Commit() {
  if (!error_.empty()) return false;
  return file_.Commit();
}

void OutputFile::Discard() {
  file_.Discard();
}

}  // namespace kurimo
