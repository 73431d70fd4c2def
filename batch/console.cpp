#include "console.h"

#include <cerrno>
#include <iostream>
#include <string>

#include "atomic_file.h"
#include "echo_text.h"

namespace kurimo::batch {

void SayOnStandardError(std::string_view text) {
  std::cerr << ValidUtf8(text) << '\n';
}

bool StandardOutputWritten() {
  errno = 0;
  std::cout.flush();
  if (std::cout) return true;
  const int error = errno;
  SayOnStandardError(
      "標準出力に書き込めません（" +
      (error != 0 ? DescribeSystemError(error) : std::string("書き込みに失敗しました")) +
      "）。結果は失われました。");
  return false;
}

}  // namespace kurimo::batch
