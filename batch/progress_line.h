// One line of progress on standard error, rewritten in place: shown only on a terminal,
// only once the work has lasted a second, and at most five times a second.
#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>

namespace kurimo::batch {

bool StandardErrorIsTerminal();

class ProgressLine {
 public:
  // `what` names the work ("計算中", "スイープ計算中") and `unit` what is counted
  // ("ステップ", "ケース"); both must outlive the line.
  ProgressLine(std::string_view what, std::string_view unit) : what_(what), unit_(unit) {}

  void Show(std::uint64_t done, std::uint64_t total);
  // Removes the line, if one was shown.
  void Remove();

 private:
  using Clock = std::chrono::steady_clock;
  std::string_view what_;
  std::string_view unit_;
  bool terminal_ = StandardErrorIsTerminal();
  bool shown_ = false;
  Clock::time_point start_ = Clock::now();
  Clock::time_point lastShown_{};
};

}  // namespace kurimo::batch
