#include "process_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <utility>

namespace kurimo::test {
namespace {

using Clock = std::chrono::steady_clock;

int StatusOf(int waitStatus) {
  if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
  if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
  return -1;
}

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Reads what is available on fd into text; closes fd and sets it to -1 at end of file.
void ReadAvailable(int& fd, std::string& text) {
  char buffer[4096];
  const ssize_t n = read(fd, buffer, sizeof buffer);
  if (n > 0) {
    text.append(buffer, static_cast<std::size_t>(n));
  } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
    close(fd);
    fd = -1;
  }
}

// Runs in the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void ExecChild(const char* program, char* const argv[], const char* workDir, int outFd,
                            int errFd) {
  // The test runner may have changed these; the program under test gets the defaults.
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  signal(SIGINT, SIG_DFL);
  signal(SIGPIPE, SIG_DFL);

  const int nullFd = open("/dev/null", O_RDONLY);
  if (nullFd < 0 || dup2(nullFd, STDIN_FILENO) < 0 || dup2(outFd, STDOUT_FILENO) < 0 ||
      dup2(errFd, STDERR_FILENO) < 0 || chdir(workDir) != 0) {
    _exit(127);
  }
  execv(program, argv);
  _exit(127);
}

}  // namespace

RunningProcess::RunningProcess(pid_t pid, int outFd, int errFd)
    : pid_(pid), outFd_(outFd), errFd_(errFd) {}

RunningProcess::RunningProcess(RunningProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      outFd_(std::exchange(other.outFd_, -1)),
      errFd_(std::exchange(other.errFd_, -1)),
      collected_(std::move(other.collected_)) {}

RunningProcess::~RunningProcess() {
  KillAndReap();
  ClosePipes();
}

bool RunningProcess::Signal(int sig) const {
  return pid_ > 0 && kill(pid_, sig) == 0;
}

void RunningProcess::KillAndReap() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
}

void RunningProcess::ClosePipes() {
  for (int* fd : {&outFd_, &errFd_}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
}

std::optional<ProcessResult> RunningProcess::Finish(std::chrono::milliseconds timeout) {
  if (pid_ <= 0) return std::nullopt;
  const Clock::time_point deadline = Clock::now() + timeout;

  // Both pipes are drained together so that a child filling one of them never blocks.
  while (outFd_ >= 0 || errFd_ >= 0) {
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    const int ready = poll(fds, 2, MillisecondsLeft(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) {
      KillAndReap();
      ClosePipes();
      return std::nullopt;
    }
    // A negative fd in pollfd is ignored and reports no events.
    if (fds[0].revents != 0) ReadAvailable(outFd_, collected_.out);
    if (fds[1].revents != 0) ReadAvailable(errFd_, collected_.err);
  }

  // The pipes can close before the child has exited (it may close its descriptors).
  for (;;) {
    int waitStatus = 0;
    const pid_t done = waitpid(pid_, &waitStatus, WNOHANG);
    if (done == pid_) {
      pid_ = -1;
      collected_.status = StatusOf(waitStatus);
      return std::move(collected_);
    }
    if (done < 0 && errno != EINTR) {
      pid_ = -1;
      return std::nullopt;
    }
    if (Clock::now() >= deadline) {
      KillAndReap();
      return std::nullopt;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

RunningProcess StartProcess(const std::string& program, const std::vector<std::string>& args,
                            const std::string& workDir) {
  // Everything the child needs is prepared before the fork.
  std::vector<std::string> strings;
  strings.reserve(args.size() + 1);
  strings.push_back(program);
  strings.insert(strings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : strings)
    argv.push_back(s.data());
  argv.push_back(nullptr);

  int outPipe[2];
  int errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0) {
    throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
  }
  if (pipe2(errPipe, O_CLOEXEC) != 0) {
    const int saved = errno;
    close(outPipe[0]);
    close(outPipe[1]);
    throw std::runtime_error(std::string("pipe: ") + std::strerror(saved));
  }

  const pid_t pid = fork();
  if (pid == 0) ExecChild(program.c_str(), argv.data(), workDir.c_str(), outPipe[1], errPipe[1]);
  const int forkErrno = errno;
  close(outPipe[1]);
  close(errPipe[1]);
  if (pid < 0) {
    close(outPipe[0]);
    close(errPipe[0]);
    throw std::runtime_error(std::string("fork: ") + std::strerror(forkErrno));
  }
  return RunningProcess(pid, outPipe[0], errPipe[0]);
}

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workDir, std::chrono::milliseconds timeout) {
  RunningProcess process = StartProcess(program, args, workDir);
  if (std::optional<ProcessResult> result = process.Finish(timeout)) return std::move(*result);
  ProcessResult killed;
  killed.err = "process_runner: " + program + " did not exit in time and was killed";
  return killed;
}

}  // namespace kurimo::test
