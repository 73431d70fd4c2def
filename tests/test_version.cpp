// Runs both programs with --version, with no display in their environment: each prints its
// name and the project version, touches no file, and fails when the text cannot be written.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <vector>

#include "process_runner.h"
#include "test_helpers.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using kurimo::test::Args;
using kurimo::test::ProcessResult;

const std::string kVersion = KURIMO_PROJECT_VERSION;

// The exit status of `program args...` run with its standard output on /dev/full, where
// every write fails for want of space; -1 when it could not be run or did not exit.
int StatusWritingToFullDevice(const std::string& program, const Args& args) {
  std::vector<std::string> words = {program};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words)
    argv.push_back(word.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/full", O_WRONLY, 0);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

class VersionOption : public ::testing::Test {
 protected:
  // The children inherit this environment: no display of any kind.
  static void SetUpTestSuite() {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("QT_QPA_PLATFORM");
  }

  ProcessResult Run(const std::string& program, const Args& args) const {
    return kurimo::test::RunProcess(program, args, dir_.string(), std::chrono::seconds(30));
  }
  bool FolderIsEmpty() const { return fs::is_empty(dir_); }

  kurimo::test::TempFolder folder_;
  const fs::path dir_ = folder_.path();
};

TEST_F(VersionOption, BatchRunnerPrintsItsNameAndTheProjectVersion) {
  ProcessResult r = Run(KURIMO_BATCH_PATH, {"--version"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "kurimo-batch " + kVersion + "\n");
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(FolderIsEmpty()) << "no run, no output file";

  // Among the options of a case it still only prints the version.
  r = Run(KURIMO_BATCH_PATH, {"--bay-area", "500", "--version", "--json"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "kurimo-batch " + kVersion + "\n");
  EXPECT_TRUE(FolderIsEmpty());

  r = Run(KURIMO_BATCH_PATH, {"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("--version"), std::string::npos) << r.out;
}

TEST_F(VersionOption, WindowProgramPrintsItsVersionWithoutADisplay) {
  ProcessResult r = Run(KURIMO_WINDOW_PATH, {"--version"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "kurimo " + kVersion + "\n");
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(FolderIsEmpty());

  // Without --version the missing display is still reported, in one line, as a failure.
  r = Run(KURIMO_WINDOW_PATH, {});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("DISPLAY"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("kurimo-batch"), std::string::npos) << r.err;
}

TEST_F(VersionOption, VersionThatCannotBeWrittenIsAFailure) {
  EXPECT_EQ(StatusWritingToFullDevice(KURIMO_WINDOW_PATH, {"--version"}), 1);
  EXPECT_EQ(StatusWritingToFullDevice(KURIMO_BATCH_PATH, {"--version"}), 1);
  EXPECT_EQ(StatusWritingToFullDevice(KURIMO_BATCH_PATH, {"--help"}), 1);
}

}  // namespace
