#include "progress_line.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace kurimo::batch {

bool StandardErrorIsTerminal() {
  return isatty(STDERR_FILENO) != 0;
}

void ProgressLine::Show(std::uint64_t done, std::uint64_t total) {
  if (!terminal_) return;
  const auto now = Clock::now();
  if (now - start_ < std::chrono::seconds(1) || now - lastShown_ < std::chrono::milliseconds(200)) {
    return;
  }
  lastShown_ = now;
  const double percent =
      total == 0 ? 0.0 : 100.0 * static_cast<double>(done) / static_cast<double>(total);
  std::fprintf(stderr, "\r%s: %llu / %llu %s（%.1f%%）  Ctrl-C で中止", std::string(what_).c_str(),
               static_cast<unsigned long long>(done), static_cast<unsigned long long>(total),
               std::string(unit_).c_str(), percent);
  std::fflush(stderr);
  shown_ = true;
}

void ProgressLine::Remove() {
  if (shown_) std::fputs("\r\033[K", stderr);
  shown_ = false;
}

}  // namespace kurimo::batch
