// Whole runs: the default file byte for byte, the step count, repeated runs, and the
// faults a run can end on.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "case_inputs.h"
#include "number_text.h"
#include "run_messages.h"
#include "test_helpers.h"

namespace kurimo {
namespace {

using test::ReadBytes;
using test::ReadCp932Lines;
using test::RecordingObserver;
using test::TempFolder;

const std::string kGoldenPath = std::string(KURIMO_TEST_DATA_DIR) + "/default-Kurimo_OUT.txt";

TEST(RunSimulation, DefaultCaseWritesTheKnownFile) {
  TempFolder folder;
  BayModel m;
  m.LoadDefaultCase();
  RecordingObserver observer;
  const RunResult r = m.RunSimulation(folder.File("Kurimo_OUT.txt"), observer);
  EXPECT_EQ(r.status, RunStatus::Completed);
  EXPECT_EQ(r.stepCount, 12623u);
  EXPECT_EQ(r.stepsDone, 12623u);
  EXPECT_FALSE(r.mouthVelocityWarning);
  EXPECT_TRUE(observer.warnings.empty());
  EXPECT_EQ(ReadBytes(folder.File("Kurimo_OUT.txt")), ReadBytes(kGoldenPath));
  EXPECT_NEAR(m.BayAverage[1], 3.1525, 5e-5);  // known to four decimals
  EXPECT_EQ(RoundHalfEven(m.BayAverage[1], 2), 3.15);
}

TEST(RunSimulation, EveryRunStartsAfreshAndReplacesTheFile) {
  TempFolder folder;
  const std::string path = folder.File("Kurimo_OUT.txt");
  BayModel m;
  m.LoadDefaultCase();
  RecordingObserver observer;
  m.AcceptInflowQuality("40");
  m.AcceptBayArea("200");
  ASSERT_EQ(m.RunSimulation(path, observer).status, RunStatus::Completed);
  const double firstMean = m.BayAverage[1];
  m.LoadDefaultCase();
  ASSERT_EQ(m.RunSimulation(path, observer).status, RunStatus::Completed);
  EXPECT_NE(firstMean, m.BayAverage[1]);
  EXPECT_EQ(ReadBytes(path), ReadBytes(kGoldenPath));
  const double secondMean = m.BayAverage[1];
  ASSERT_EQ(m.RunSimulation(path, observer).status, RunStatus::Completed);
  EXPECT_EQ(secondMean, m.BayAverage[1]);
}

TEST(RunSimulation, LongRunFinishesAndReportsProgress) {
  TempFolder folder;
  BayModel m;
  m.LoadDefaultCase();
  m.AcceptInflowRate("0.5");
  RecordingObserver observer;
  const RunResult r = m.RunSimulation(folder.File("out.txt"), observer);
  EXPECT_EQ(r.status, RunStatus::Completed);
  EXPECT_EQ(r.stepCount, 8356547u);
  EXPECT_EQ(r.stepsDone, r.stepCount);
  EXPECT_GT(observer.progressCalls, 100);
  EXPECT_EQ(observer.lastStepsDone, r.stepCount);  // a last look before the file is replaced
  EXPECT_EQ(ReadCp932Lines(folder.File("out.txt")).size(), 26u);
}

struct FaultRow {
  const char* name;
  const char* area;
  const char* depth;
  const char* mouth;
  const char* rate;
  const char* quality;
  RunStatus expected;
};

// The files in a folder, by name.
std::vector<std::string> FolderContents(const TempFolder& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
    names.push_back(entry.path().filename().string());
  return names;
}

const std::string kEarlierReport = "an earlier, complete report\r\n";

TEST(RunSimulation, FaultsAbandonTheRunAndKeepTheEarlierReport) {
  const FaultRow rows[] = {
      {"time step rounds to 0", "1", "1", "0.01", "100", " 10", RunStatus::ZeroTimeStep},
      {"period is infinite", "1e300", " 18", " 7", " 331", " 10", RunStatus::NonFiniteCase},
      {"river beyond single precision", " 1000", " 18", " 7", " 331", "1e38",
       RunStatus::ValueTooLarge},
  };
  for (const FaultRow& row : rows) {
    SCOPED_TRACE(row.name);
    TempFolder folder;
    std::ofstream(folder.File("out.txt"), std::ios::binary) << kEarlierReport;
    BayModel m;
    m.LoadDefaultCase();
    m.AcceptBayArea(row.area);
    m.AcceptMeanDepth(row.depth);
    m.AcceptMouthLength(row.mouth);
    m.AcceptInflowRate(row.rate);
    m.AcceptInflowQuality(row.quality);
    RecordingObserver observer;
    const RunResult r = m.RunSimulation(folder.File("out.txt"), observer);
    EXPECT_EQ(r.status, row.expected);
    EXPECT_EQ(test::ReadBytes(folder.File("out.txt")), kEarlierReport);
    EXPECT_EQ(FolderContents(folder), std::vector<std::string>{"out.txt"});
    const UserMessage message = RunFaultMessage(r, "out.txt");
    EXPECT_NE(message.text.find("出力ファイル「out.txt」は書き換えていません。"),
              std::string::npos);
    EXPECT_FALSE(message.title.empty());
  }
}

TEST(RunSimulation, DivergenceMessageSaysWhatToChange) {
  RunResult r;
  r.status = RunStatus::Diverged;
  const UserMessage m = RunFaultMessage(r, "Kurimo_OUT.txt");
  EXPECT_NE(m.text.find("湾口部を狭く"), std::string::npos);
  EXPECT_NE(m.text.find("湾面積を大きく"), std::string::npos);
}

TEST(RunSimulation, CancelKeepsTheEarlierReport) {
  TempFolder folder;
  std::ofstream(folder.File("out.txt"), std::ios::binary) << kEarlierReport;
  BayModel m;
  m.LoadDefaultCase();
  m.AcceptInflowRate("0.5");
  RecordingObserver observer;
  observer.cancel = true;
  const RunResult r = m.RunSimulation(folder.File("out.txt"), observer);
  EXPECT_EQ(r.status, RunStatus::Cancelled);
  EXPECT_EQ(observer.progressCalls, 1);
  EXPECT_LT(r.stepsDone, r.stepCount);
  EXPECT_EQ(test::ReadBytes(folder.File("out.txt")), kEarlierReport);
  EXPECT_EQ(FolderContents(folder), std::vector<std::string>{"out.txt"});
}

TEST(RunSimulation, AStopDuringTheLastStepsStillKeepsTheEarlierReport) {
  // A short run never reaches a block boundary: the look after the last step stops it.
  TempFolder folder;
  std::ofstream(folder.File("out.txt"), std::ios::binary) << kEarlierReport;
  BayModel m;
  m.LoadDefaultCase();
  RecordingObserver observer;
  observer.cancel = true;
  const RunResult r = m.RunSimulation(folder.File("out.txt"), observer);
  EXPECT_EQ(r.status, RunStatus::Cancelled);
  EXPECT_EQ(r.stepsDone, r.stepCount);
  EXPECT_EQ(test::ReadBytes(folder.File("out.txt")), kEarlierReport);
}

TEST(RunSimulation, UnwritableFileStopsBeforeTheRun) {
  TempFolder folder;
  BayModel m;
  m.LoadDefaultCase();
  RecordingObserver observer;
  const RunResult missing = m.RunSimulation(folder.File("missing/out.txt"), observer);
  EXPECT_EQ(missing.status, RunStatus::OutputFileFailed);
  EXPECT_EQ(missing.systemReason, "フォルダーが見つかりません");
  EXPECT_EQ(m.TimeStepMinutes, 0.0);  // the set-up never ran
  const UserMessage message = RunFaultMessage(missing, "missing/out.txt");
  EXPECT_NE(message.text.find("missing/out.txt"), std::string::npos);
  EXPECT_NE(message.text.find("フォルダーが見つかりません"), std::string::npos);
  // The window's way to choose another place.
  EXPECT_NE(message.text.find("「出力ファイルの保存先…」"), std::string::npos);

  const RunResult full = m.RunSimulation("/dev/full", observer);
  EXPECT_EQ(full.status, RunStatus::OutputFileFailed);
  EXPECT_EQ(full.stepsDone, 0u);
}

TEST(RunSimulation, WarningIsRaisedOncePerRunAndChangesNothing) {
  TempFolder folder;
  BayModel m;
  m.LoadDefaultCase();
  m.AcceptMeanDepth("1");
  m.AcceptMouthLength("0.1");  // 100 m2 of mouth for 331 m3/s
  RecordingObserver observer;
  const RunResult r = m.RunSimulation(folder.File("out.txt"), observer);
  EXPECT_TRUE(r.mouthVelocityWarning);
  EXPECT_EQ(observer.warnings.size(), 1u);
  EXPECT_EQ(r.status, RunStatus::Completed);
}

TEST(ResultMessage, ShowsTheMeanAsTheBoxesDo) {
  EXPECT_EQ(ResultMessage(3.152542449344669).text, "計算結果(湾内平均水質)\r 3.15(g/m3)");
  EXPECT_EQ(ResultMessage(3.152542449344669).title, "計算終了です！");
  EXPECT_EQ(ResultMessage(0.5).text, "計算結果(湾内平均水質)\r .5(g/m3)");
}

}  // namespace
}  // namespace kurimo
