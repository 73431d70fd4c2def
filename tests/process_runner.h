// Runs the command-line programs as child processes through QProcess, each test in a fresh
// folder: standard output and error are read, standard input is empty unless given.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>

#include <QProcess>
#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>

#include "exit_status.h"
#include "test_helpers.h"

namespace kurimo::test {

using Args = std::vector<std::string>;  // a command line after the program's name
using namespace kurimo::batch;          // the exit statuses

struct Launch {
  std::string dir;                          // the working folder
  std::optional<std::string> input;         // standard input; none: /dev/null
  std::string outputFile;                   // where standard output goes instead of being read
  std::vector<std::string> unsetEnv;        // variables the child does not inherit
  std::function<void(pid_t)> whileRunning;  // called once it has started (to send a signal)
  std::chrono::milliseconds timeout = std::chrono::minutes(5);  // then it is killed
};

struct ProcessResult {
  int status = -1;  // the exit status, 128 + the ending signal, or -1 (not started, killed)
  std::string out, err;
};

inline ProcessResult RunProcess(const std::string& program, const Args& args,
                                const Launch& launch) {
  QProcess process;
  QStringList arguments;
  for (const std::string& arg : args)
    arguments << QString::fromStdString(arg);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const std::string& name : launch.unsetEnv)
    environment.remove(QString::fromStdString(name));
  process.setProcessEnvironment(environment);
  process.setWorkingDirectory(QString::fromStdString(launch.dir));
  if (!launch.input) process.setStandardInputFile(QProcess::nullDevice());
  if (!launch.outputFile.empty())
    process.setStandardOutputFile(QString::fromStdString(launch.outputFile));
  process.start(QString::fromStdString(program), arguments);
  if (process.waitForStarted()) {
    if (launch.input) process.write(launch.input->data(), std::ssize(*launch.input));
    process.closeWriteChannel();
    if (launch.whileRunning) launch.whileRunning(static_cast<pid_t>(process.processId()));
  }
  ProcessResult r;
  if (process.waitForFinished(static_cast<int>(launch.timeout.count()))) {
    const bool signalled = process.exitStatus() == QProcess::CrashExit;
    r.status = (signalled ? 128 : 0) + process.exitCode();
  } else {
    r.err = "process_runner: " + process.errorString().toStdString() + "\n";
    process.kill();
    process.waitForFinished();
  }
  r.out = process.readAllStandardOutput().toStdString();
  r.err += process.readAllStandardError().toStdString();
  return r;
}

class InFolder : public ::testing::Test {
 protected:
  ProcessResult Run(const std::string& program, const Args& args, Launch launch = {}) const {
    launch.dir = dir_.string();
    return RunProcess(program, args, launch);
  }
  std::vector<std::string> Names() const {  // what is in the folder, sorted
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  TempFolder folder_;
  const std::filesystem::path dir_ = folder_.path();
};

}  // namespace kurimo::test
