#include "output_file.h"

#include <cerrno>
#include <cstring>

#include "text_encoding.h"

namespace kurimo {

std::string DescribeSystemError(int errorNumber) {
  switch (errorNumber) {
    case EACCES:
    case EPERM:
      return "書き込みの権限がありません";
    case EROFS:
      return "読み取り専用の場所です";
    case ENOENT:
      return "フォルダーが見つかりません";
    case ENOTDIR:
      return "途中の名前がフォルダーではありません";
    case EISDIR:
      return "同じ名前のフォルダーがあります";
    case ENOSPC:
    case EDQUOT:
      return "ディスクの空き容量が足りません";
    case ENAMETOOLONG:
      return "ファイル名が長すぎます";
    case EMFILE:
    case ENFILE:
      return "開いているファイルが多すぎます";
    default:
      break;
  }
  return std::strerror(errorNumber);
}

OutputFile::~OutputFile() {
  if (file_ != nullptr) std::fclose(file_);
}

bool OutputFile::Open(const std::string& path) {
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) {
    Fail(errno);
    return false;
  }
  return true;
}

void OutputFile::Fail(int errorNumber) {
  failed_ = true;
  error_ = DescribeSystemError(errorNumber);
}

bool OutputFile::WriteLine(std::string_view utf8) {
  if (failed_ || file_ == nullptr) return false;
  const std::optional<std::string> encoded = Utf8ToCp932(utf8);
  if (!encoded) {
    failed_ = true;
    error_ = "Shift_JIS で書けない文字があります";
    return false;
  }
  if (std::fwrite(encoded->data(), 1, encoded->size(), file_) != encoded->size() ||
      std::fwrite("\r\n", 1, 2, file_) != 2) {
    Fail(errno);
    return false;
  }
  return true;
}

bool OutputFile::Flush() {
  if (failed_ || file_ == nullptr) return false;
  if (std::fflush(file_) != 0) {
    Fail(errno);
    return false;
  }
  return true;
}

bool OutputFile::Close() {
  if (file_ == nullptr) return !failed_;
  const int result = std::fclose(file_);
  file_ = nullptr;
  if (result != 0 && !failed_) Fail(errno);
  return !failed_;
}

}  // namespace kurimo
