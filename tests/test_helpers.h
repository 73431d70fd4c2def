// Small helpers shared by the model tests.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "bay_model.h"
#include "text_encoding.h"
#include "thread_start.h"

namespace kurimo::test {

// Records what a run reports; can stop the run at its first block boundary.
struct RecordingObserver final : RunObserver {
  void ShowWarning(std::string_view message, std::string_view title) override {
    warnings.emplace_back(std::string(title) + "|" + std::string(message));
  }
  bool ContinueRun(std::uint64_t stepsDone, std::uint64_t) override {
    ++progressCalls;
    lastStepsDone = stepsDone;
    return !cancel;
  }
  std::vector<std::string> warnings;
  int progressCalls = 0;
  std::uint64_t lastStepsDone = 0;
  bool cancel = false;
};

// Starts threads as the platform does but refuses one start (counted from 1; 0 refuses every
// start), as a system that has run out of threads refuses them.
class RefusingStarter final : public ThreadStarter {
 public:
  explicit RefusingStarter(int refused) : refused_(refused) {}
  std::unique_ptr<StartedThread> Start(std::function<void()> work) override {
    ++asked;
    if (refused_ == 0 || asked == refused_) return nullptr;
    return PlatformThreads().Start(std::move(work));
  }
  int asked = 0;

 private:
  int refused_;
};

// A fresh folder under the system's temporary folder, removed with the object.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kurimo-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempFolder() { std::filesystem::remove_all(path_); }
  const std::filesystem::path& path() const { return path_; }
  std::string File(std::string_view name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline std::string ReadBytes(const std::string& path) {
  std::ostringstream s;
  s << std::ifstream(path, std::ios::binary).rdbuf();
  return s.str();
}

// The lines of a text whose lines end in CR LF, without the ends; a last line without is marked.
inline std::vector<std::string> SplitCrLfLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  if (start < text.size()) lines.push_back(text.substr(start) + "<no CR LF>");
  return lines;
}

// The lines of a code page 932 file with CR LF ends, as UTF-8, without the line ends.
inline std::vector<std::string> ReadCp932Lines(const std::string& path) {
  return SplitCrLfLines(Cp932ToUtf8(ReadBytes(path)).value_or("<not code page 932>"));
}

// Runs `body` in a child process (which may install signal handlers, limits or stop flags
// of its own without touching the test) and returns the text it gave back. `whileRunning`
// gets the child's id once it runs (to send it a signal). A child that does not end within
// `seconds` is killed and gives "<timed out>": a call that blocks fails the test instead of
// holding it up.
inline std::string InChild(const std::function<std::string()>& body,
                           const std::function<void(pid_t)>& whileRunning = {}, int seconds = 20) {
  int channel[2];
  if (pipe(channel) != 0) return "<no pipe>";
  const pid_t child = fork();
  if (child == 0) {
    close(channel[0]);
    const std::string answer = body();
    const ssize_t written = write(channel[1], answer.data(), answer.size());
    _exit(written == static_cast<ssize_t>(answer.size()) ? 0 : 1);
  }
  close(channel[1]);
  if (whileRunning) whileRunning(child);
  std::string answer;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd watch{channel[0], POLLIN, 0};
    if (left.count() <= 0 || poll(&watch, 1, static_cast<int>(left.count())) == 0) {
      kill(child, SIGKILL);
      answer = "<timed out>";
      break;
    }
    char buffer[4096];
    const ssize_t n = read(channel[0], buffer, sizeof buffer);
    if (n <= 0) break;
    answer.append(buffer, static_cast<std::size_t>(n));
  }
  close(channel[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFSIGNALED(status) && answer != "<timed out>") {
    answer += "<ended by signal " + std::to_string(WTERMSIG(status)) + ">";
  }
  return answer;
}

// Clears the arrays and sets up the model's case, as a run does before its first step.
inline void PrepareRun(BayModel& model) {
  RecordingObserver observer;
  model.InitialiseModelArrays();
  model.SetUpCase(observer);
}

}  // namespace kurimo::test
