// Runs the command-line programs as child processes through QProcess, each test in a fresh
// folder, with no display: standard output and error are read, standard input is empty.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>

#include <QProcess>
#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>
#include <utility>

#include "exit_status.h"
#include "test_helpers.h"

namespace kurimo::test {

using Args = std::vector<std::string>;  // a command line after the program's name
using namespace kurimo::batch;          // the exit statuses

struct ProcessResult {
  int status = -1;  // the exit status, 128 + the ending signal, or -1 (not started, or killed)
  std::string out, err;
};

// For Run: sends `signal` once the program has run for `milliseconds`.
inline std::function<void(pid_t)> SignalAfter(int signal, int milliseconds = 400) {
  return [=](pid_t pid) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    EXPECT_EQ(::kill(pid, signal), 0);
  };
}

class InFolder : public ::testing::Test {
 protected:
  // Standard output goes to `outputFile` if one is given; `whileRunning` is called once the
  // program has started (to send it a signal). A program still running after `seconds` is
  // killed, so that one that hangs fails its test instead of holding up the suite.
  ProcessResult Run(const std::string& program, const Args& args,
                    const std::string& outputFile = "",
                    const std::function<void(pid_t)>& whileRunning = {},
                    int seconds = 5 * 60) const {
    QProcess process;
    QStringList arguments;
    for (const std::string& arg : args)
      arguments << QString::fromStdString(arg);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
      environment.remove(name);  // as where no screen is: nothing may need one
    for (const auto& [name, value] : childEnvironment_)
      environment.insert(QString::fromStdString(name), QString::fromStdString(value));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(QString::fromStdString(folder_.path()));
    process.setStandardInputFile(QProcess::nullDevice());
    if (!outputFile.empty()) process.setStandardOutputFile(QString::fromStdString(outputFile));
    process.start(QString::fromStdString(program), arguments);
    if (process.waitForStarted() && whileRunning)
      whileRunning(static_cast<pid_t>(process.processId()));
    ProcessResult r;
    if (process.waitForFinished(seconds * 1000)) {
      r.status = (process.exitStatus() == QProcess::CrashExit ? 128 : 0) + process.exitCode();
    } else {
      r.err = "process_runner: " + process.errorString().toStdString() + "\n";
      process.kill();
      process.waitForFinished();
    }
    r.out = process.readAllStandardOutput().toStdString();
    r.err += process.readAllStandardError().toStdString();
    return r;
  }
  std::vector<std::string> Names() const {  // what is in the folder, sorted
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.path()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  TempFolder folder_;
  std::vector<std::pair<std::string, std::string>> childEnvironment_;  // set for every program
};

}  // namespace kurimo::test
