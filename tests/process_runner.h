// Runs a program as a child process for the tests of the command-line tools: the child
// starts in a given folder, its standard input is /dev/null, and its standard output and
// standard error are captured through pipes.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "exit_status.h"

namespace kurimo::test {

// A command line after the program's name.
using Args = std::vector<std::string>;

// The batch runner's exit statuses.
using batch::kExitBadInput;
using batch::kExitFileError;
using batch::kExitOk;
using batch::kExitRunFault;

struct ProcessResult {
  int status = -1;  // the exit status, or 128 + the signal that ended the child
  std::string out;  // everything written to standard output
  std::string err;  // everything written to standard error
};

// A child that is still running. If the handle is dropped before Finish has collected
// the child (a failed assertion, for instance), the child is killed and reaped.
class RunningProcess {
 public:
  RunningProcess(pid_t pid, int outFd, int errFd);
  RunningProcess(RunningProcess&& other) noexcept;
  RunningProcess& operator=(RunningProcess&&) = delete;
  RunningProcess(const RunningProcess&) = delete;
  RunningProcess& operator=(const RunningProcess&) = delete;
  ~RunningProcess();

  pid_t Pid() const { return pid_; }

  // Sends a signal to the child; false when it has already been collected or kill fails.
  bool Signal(int sig) const;

  // Reads both pipes to their end and waits for the child to exit. No value when the
  // child has not exited within the timeout; it is then killed with SIGKILL and reaped.
  std::optional<ProcessResult> Finish(std::chrono::milliseconds timeout);

 private:
  void KillAndReap();
  void ClosePipes();

  pid_t pid_ = -1;
  int outFd_ = -1;
  int errFd_ = -1;
  ProcessResult collected_;
};

// Starts `program` (a path, not searched in PATH) with the given arguments, argv[0]
// being the program path, in the folder `workDir`. Throws std::runtime_error when the
// pipes or the fork fail; a program that cannot be executed exits with status 127.
RunningProcess StartProcess(const std::string& program, const std::vector<std::string>& args,
                            const std::string& workDir);

// Starts the program and waits for it. A child still running after the timeout is
// killed, and the result then has status -1 with a note on standard error.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workDir,
                         std::chrono::milliseconds timeout = std::chrono::minutes(5));

}  // namespace kurimo::test
