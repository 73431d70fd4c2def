// Whole runs: the report byte for byte, its lines, the indicators and the bay mean, the step
// count, progress and stops, and the faults a run can end on.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "case_inputs.h"
#include "named_cases.h"
#include "number_text.h"
#include "output_file.h"
#include "run_messages.h"
#include "test_helpers.h"

namespace kurimo {
namespace {

using test::ReadBytes;
using test::RecordingObserver;
using test::TempFolder;

TEST(RunSimulation, EveryRunStartsAfreshAndTheDefaultCaseWritesTheKnownReport) {
  TempFolder folder;
  const std::string path = folder.File("Kurimo_OUT.txt");
  BayModel m = test::ModelOf(test::kUnstableCase);
  SetMultiplier(m, MultiplierList::Quality, 5.0);
  RecordingObserver observer;
  ASSERT_EQ(m.RunSimulation(path, observer).status, RunStatus::Completed);
  m.LoadDefaultCase();
  const RunResult r = m.RunSimulation(path, observer);
  EXPECT_EQ(r.status, RunStatus::Completed);
  EXPECT_EQ(r.stepCount, 12623u);
  EXPECT_EQ(r.stepsDone, 12623u);
  EXPECT_FALSE(r.mouthVelocityWarning);
  EXPECT_TRUE(observer.warnings.empty());
  EXPECT_EQ(ReadBytes(path),
            ReadBytes(std::string(KURIMO_TEST_DATA_DIR) + "/default-Kurimo_OUT.txt"));
  // Known to four decimals: the boxes from the head of the bay to the mouth, and their mean.
  const double boxes[] = {3.6255, 3.3973, 3.1610, 2.9162, 2.6626};
  for (int b = 1; b <= 5; ++b)
    EXPECT_NEAR(m.Concentration[1][b], boxes[b - 1], 5e-5) << b;
  EXPECT_NEAR(m.BayAverage[1], 3.1525, 5e-5);
  EXPECT_EQ(ResultMessage(m.BayAverage[1]).text, "計算結果(湾内平均水質)\r 3.15(g/m3)");
  EXPECT_EQ(ResultMessage(0.5).text, "計算結果(湾内平均水質)\r .5(g/m3)");
  EXPECT_EQ(ResultMessage(0.5).title, "計算終了です！");
}

TEST(Indicators, MultipliersEnterEachIndicator) {
  const Indicators d = test::DefaultSetUp().ComputeIndicators();
  EXPECT_EQ(d.eddyDiffusivity, 464.0);
  EXPECT_EQ(d.meanVelocity, 0.26);
  BayModel m;
  m.LoadDefaultCase();
  SetMultiplier(m, MultiplierList::Section, 0.5);
  SetMultiplier(m, MultiplierList::Quantity, 2.0);
  SetMultiplier(m, MultiplierList::Quality, 0.2);
  test::PrepareRun(m);
  const Indicators i = m.ComputeIndicators();
  EXPECT_EQ(i.changedMouthSection, 0.063);
  EXPECT_EQ(i.changedInflowLoad, 1324.00002);
  EXPECT_EQ(i.closedness, 9.04);
  EXPECT_EQ(i.residenceTime, 314.7);
  EXPECT_EQ(i.meanVelocity, 1.05);
  EXPECT_EQ(i.loadPerVolume, 0.006);
}

TEST(BayMean, PlainAverageOfTheFiveBayBoxes) {
  BayModel m = test::DefaultSetUp();
  for (int b = 1; b <= 5; ++b)
    m.Concentration[1][b] = b + 1;  // 2, 3, 4, 5, 6
  m.Concentration[1][6] = 1000;     // the open sea is not in it
  m.BoxVolume[2] = 1;               // nor are the volumes
  m.ComputeBayMean();
  EXPECT_EQ(m.BayAverage[1], 4.0);
}

// Typed texts go into the report as typed, a negative value takes the sign in place of the
// blank, and single-precision factors keep seven digits.
TEST(OutputLines, TextsNumbersAndFactorsAsTheReportWritesThem) {
  BayModel m;
  m.LoadDefaultCase();
  m.AcceptBayArea("25");
  m.AcceptOpenSeaQuality("2.50");
  SetMultiplier(m, MultiplierList::Quality, 1.2);
  SetMultiplier(m, MultiplierList::Quantity, 1.5);
  test::PrepareRun(m);
  m.BayAverage[1] = -0.504;
  TempFolder folder;
  OutputFile file;
  ASSERT_TRUE(file.Open(folder.File("out.txt")));
  m.WriteConditionsAndIndicators(file);
  m.WriteBayMean(file);
  ASSERT_TRUE(file.Commit());
  const auto lines = test::ReadCp932Lines(folder.File("out.txt"));
  ASSERT_EQ(lines.size(), 26u);
  EXPECT_EQ(lines[4], "    湾面積(km2)=25　平均水深(m)= 18　湾容積(km3)= 0.45 ");
  EXPECT_EQ(lines[6], "    外海水水質(g/m3)=2.50");
  EXPECT_EQ(
      lines[11],
      "    流入水水質(×倍)= 1.2 　流入水水量(×倍)= 1.5 　　 (変更)流入負荷量(g/秒)= 5958.00024 ");
  EXPECT_EQ(lines[23], "");
  EXPECT_EQ(lines[24], "[計算結果]");
  EXPECT_EQ(lines[25], "    湾内平均水質(g/m3)=-0.5 ");
}

// An observer that keeps every progress call and stops the run at its first call.
struct StopObserver final : RunObserver {
  void ShowWarning(std::string_view, std::string_view) override {}
  bool ContinueRun(std::uint64_t done, std::uint64_t) override {
    calls.push_back(done);
    return !stop;
  }
  bool stop = false;
  std::vector<std::uint64_t> calls;
};

// A run reports its progress between blocks of steps and takes a last look before the report
// replaces the earlier one; a stop at any of those looks keeps the earlier report.
TEST(RunSimulation, ProgressAndStopsKeepTheEarlierReport) {
  const test::NamedCase halfLong{"0.5 m3/s", {{ConditionBox::InflowRate, "0.5"}}};
  const std::string earlier = "an earlier, complete report\r\n";
  for (const auto* c : {&halfLong, &test::kDefaultCase}) {
    for (bool stop : {false, true}) {
      SCOPED_TRACE(std::string(c->name) + (stop ? " stopped" : ""));
      TempFolder folder;
      const std::string path = folder.File("out.txt");
      std::ofstream(path, std::ios::binary) << earlier;
      BayModel m = test::ModelOf(*c);
      StopObserver observer;
      observer.stop = stop;
      const RunResult r = m.RunSimulation(path, observer);
      EXPECT_EQ(r.stepCount, c == &halfLong ? 8356547u : 12623u);
      ASSERT_FALSE(observer.calls.empty());
      if (stop) {
        EXPECT_EQ(r.status, RunStatus::Cancelled);
        EXPECT_EQ(observer.calls.size(), 1u);
        EXPECT_EQ(r.stepsDone, observer.calls[0]);
        EXPECT_EQ(ReadBytes(path), earlier);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
        EXPECT_EQ(RunFaultMessage(r, "out.txt").text,
                  "計算を中止しました。出力ファイル「out.txt」は書き換えていません。");
        continue;
      }
      EXPECT_EQ(r.status, RunStatus::Completed);
      EXPECT_EQ(r.stepsDone, r.stepCount);
      // Steps counted up to the last look, which comes once, after the last step.
      EXPECT_EQ(observer.calls.back(), r.stepCount);
      for (std::size_t k = 1; k < observer.calls.size(); ++k)
        EXPECT_LT(observer.calls[k - 1], observer.calls[k]);
      EXPECT_GT(observer.calls.size(), c == &halfLong ? 100u : 0u);
      EXPECT_EQ(test::ReadCp932Lines(path).size(), 26u);
    }
  }
}

TEST(RunSimulation, FaultsAbandonTheRunAndKeepTheEarlierReport) {
  const test::NamedCase endlessPeriod{"infinite period", {{ConditionBox::BayArea, "1e300"}}};
  const test::NamedCase largeRiver{"river beyond single precision",
                                   {{ConditionBox::InflowQuality, "1e38"}}};
  const std::pair<const test::NamedCase*, RunStatus> rows[] = {
      {&test::kZeroStepCase, RunStatus::ZeroTimeStep},
      {&endlessPeriod, RunStatus::NonFiniteCase},
      {&largeRiver, RunStatus::ValueTooLarge}};
  for (const auto& [c, status] : rows) {
    SCOPED_TRACE(c->name);
    TempFolder folder;
    const std::string path = folder.File("out.txt");
    std::ofstream(path, std::ios::binary) << "earlier";
    BayModel m = test::ModelOf(*c);
    RecordingObserver observer;
    const RunResult r = m.RunSimulation(path, observer);
    EXPECT_EQ(r.status, status);
    EXPECT_EQ(ReadBytes(path), "earlier");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
    const UserMessage message = RunFaultMessage(r, "out.txt");
    EXPECT_TRUE(message.text.ends_with("出力ファイル「out.txt」は書き換えていません。"));
    EXPECT_EQ(message.title, "計算できません");
  }
  // Beyond 2^53 steps the count is no longer exact: a river of 1e-10 m3/s needs about 4e16.
  BayModel m = test::ModelOf({"", {{ConditionBox::InflowRate, "1e-10"}}});
  test::PrepareRun(m);
  EXPECT_EQ(m.PlanSteps().status, RunStatus::TooManySteps);
  EXPECT_EQ(m.PlanSteps().stepCount, 0u);
}

TEST(RunSimulation, UnwritableFileStopsBeforeTheRun) {
  TempFolder folder;
  BayModel m = test::ModelOf(test::kDefaultCase);
  RecordingObserver observer;
  const RunResult missing = m.RunSimulation(folder.File("missing/out.txt"), observer);
  EXPECT_EQ(missing.status, RunStatus::OutputFileFailed);
  EXPECT_EQ(missing.systemReason, "フォルダーが見つかりません");
  EXPECT_EQ(m.TimeStepMinutes, 0.0);  // the set-up never ran
  const std::string text = RunFaultMessage(missing, "missing/out.txt").text;
  EXPECT_TRUE(text.starts_with(
      "出力ファイル「missing/out.txt」に書き込めません（フォルダーが見つかりません）。"
      "「ファイル」メニューの「出力ファイルの保存先…」"))
      << text;
  const RunResult full = m.RunSimulation("/dev/full", observer);
  EXPECT_EQ(full.status, RunStatus::OutputFileFailed);
  EXPECT_EQ(full.stepsDone, 0u);
}

TEST(RunSimulation, WarningIsRaisedOncePerRunAndTheRunGoesOn) {
  TempFolder folder;
  BayModel m = test::ModelOf(test::kWarningCase);
  RecordingObserver observer;
  const RunResult r = m.RunSimulation(folder.File("out.txt"), observer);
  EXPECT_TRUE(r.mouthVelocityWarning);
  EXPECT_EQ(observer.warnings.size(), 1u);
  EXPECT_EQ(r.status, RunStatus::Completed);
}

}  // namespace
}  // namespace kurimo
