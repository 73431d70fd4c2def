// Whole runs: the report, the step count, progress and stops, and the faults a run ends on.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "case_inputs.h"
#include "named_cases.h"
#include "run_messages.h"
#include "test_helpers.h"

namespace kurimo {
namespace {

using test::ReadBytes;
using test::RecordingObserver;
using test::TempFolder;

// The same model first runs another case, whose report takes the typed texts as typed (full
// width too), the multipliers into the indicators and single-precision factors to seven
// digits; the default run then starts afresh and replaces that report with the known one.
TEST(RunSimulation, DefaultCaseWritesTheKnownReport) {
  TempFolder folder;
  const std::string path = folder.File("Kurimo_OUT.txt");
  BayModel m = test::ModelOf(
      {"typed", {{ConditionBox::BayArea, "　２５　"}, {ConditionBox::OpenSeaQuality, "2.50"}}});
  SetMultiplier(m, MultiplierList::Section, 0.5);
  SetMultiplier(m, MultiplierList::Quality, 1.2);
  SetMultiplier(m, MultiplierList::Quantity, 1.5);
  RecordingObserver observer;
  ASSERT_EQ(m.RunSimulation(path, observer).status, RunStatus::Completed);
  const auto lines = test::ReadCp932Lines(path);
  ASSERT_EQ(lines.size(), 26u);
  EXPECT_EQ(lines[4], "    湾面積(km2)=　２５　　平均水深(m)= 18　湾容積(km3)= 0.45 ");
  EXPECT_EQ(lines[6], "    外海水水質(g/m3)=2.50");
  EXPECT_EQ(lines[10], "    湾口部断面積(×倍)= 0.5 　　 (変更)湾口部断面積(km2)= 0.063 ");
  EXPECT_EQ(
      lines[11],
      "    流入水水質(×倍)= 1.2 　流入水水量(×倍)= 1.5 　　 (変更)流入負荷量(g/秒)= 5958.00024 ");
  EXPECT_EQ(lines[15] + "|" + lines[20], "    平均流速(cm/秒)    = 0.79 |    滞留時間(日)= 10.5 ");
  m.LoadDefaultCase();
  const RunResult r = m.RunSimulation(path, observer);
  EXPECT_EQ(std::tuple(r.status, r.stepCount, r.stepsDone),
            std::tuple(RunStatus::Completed, 12623u, 12623u));
  EXPECT_EQ(ReadBytes(path), ReadBytes(KURIMO_TEST_DATA_DIR "/default-Kurimo_OUT.txt"));
  // Known to four decimals: the boxes from the head of the bay to the mouth, and their mean.
  const double known[] = {0, 3.6255, 3.3973, 3.1610, 2.9162, 2.6626, 3.1525};
  for (int b = 1; b <= 6; ++b)
    EXPECT_NEAR(b <= 5 ? m.Concentration[1][b] : m.BayAverage[1], known[b], 5e-5) << b;
  // The step kept: no line about a shortened one.
  EXPECT_EQ(RunResultMessage(m).text, "計算結果(湾内平均水質)\r 3.15(g/m3)");
}

// A stop at any look of the observer (the first block boundary of a long run, the last look
// of a short one) and every fault keep the earlier report (the messages are pinned in
// test_messages); the mouth-velocity warning is shown once and the run goes on.
TEST(RunSimulation, ProgressStopsAndFaults) {
  using enum RunStatus;
  const test::NamedCase halfLong{"0.5 m3/s", {{ConditionBox::InflowRate, "0.5"}}};
  const test::NamedCase infinitePeriod{"infinite period", {{ConditionBox::BayArea, "1e300"}}};
  const test::NamedCase largeRiver{"large river", {{ConditionBox::InflowQuality, "1e38"}}};
  // Case, stop at the first look, status, observer calls (-1: over 100), all steps made.
  const std::tuple<const test::NamedCase*, bool, RunStatus, int, bool> rows[] = {
      {&halfLong, false, Completed, -1, true},
      {&halfLong, true, Cancelled, 1, false},
      {&test::kWarningCase, false, Completed, 1, true},
      {&test::kWarningCase, true, Cancelled, 1, true},
      {&test::kZeroStepCase, false, ZeroTimeStep, 0, true},
      {&infinitePeriod, false, NonFiniteCase, 0, true},
      {&largeRiver, false, ValueTooLarge, 0, false}};
  for (const auto& [c, stop, status, calls, allSteps] : rows) {
    SCOPED_TRACE(std::string(c->name) + (stop ? " stopped" : ""));
    TempFolder folder;
    const std::string path = folder.File("out.txt");
    std::ofstream(path, std::ios::binary) << "earlier";
    BayModel m = test::ModelOf(*c);
    RecordingObserver observer;
    observer.cancel = stop;
    const RunResult r = m.RunSimulation(path, observer);
    EXPECT_EQ(r.status, status);
    EXPECT_EQ(r.stepCount == 8356547u, c == &halfLong);
    EXPECT_TRUE(calls < 0 ? observer.progressCalls > 100 : observer.progressCalls == calls)
        << observer.progressCalls;
    EXPECT_EQ(observer.progressCalls ? r.stepsDone : 0, observer.lastStepsDone);
    EXPECT_EQ(r.stepsDone == r.stepCount, allSteps);
    EXPECT_EQ(test::ReadCp932Lines(path).size(), status == Completed ? 26u : 1u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
    // 100 m3/s through the zero-step case's 10 m2 mouth is too fast as well.
    const bool warned = c == &test::kWarningCase || c == &test::kZeroStepCase;
    EXPECT_EQ(r.mouthVelocityWarning, warned);
    EXPECT_EQ(observer.warnings,
              std::vector<std::string>(warned,
                                       "流量等の入力制限|流入水流量を小さくするか湾口部"
                                       "断面積を大きくしてください"));
  }
  // Beyond 2^53 steps the count is no longer exact: a river of 1e-10 m3/s needs about 4e16.
  BayModel m = test::ModelOf({"", {{ConditionBox::InflowRate, "1e-10"}}});
  test::PrepareRun(m);
  EXPECT_EQ(m.PlanSteps().status, TooManySteps);
}

TEST(RunSimulation, UnwritableFileStopsBeforeTheSetUpAndAFullDiskBeforeTheSteps) {
  TempFolder folder;
  BayModel m = test::ModelOf(test::kDefaultCase);
  RecordingObserver observer;
  const RunResult missing = m.RunSimulation(folder.File("missing/out.txt"), observer);
  EXPECT_EQ(
      std::tuple(missing.status, missing.systemReason, m.TimeStepMinutes),
      std::tuple(RunStatus::OutputFileFailed, "フォルダーが見つかりません", 0.0));  // no set-up
  const RunResult full = m.RunSimulation("/dev/full", observer);
  EXPECT_EQ(std::tuple(full.status, full.stepsDone), std::tuple(RunStatus::OutputFileFailed, 0u));
}

}  // namespace
}  // namespace kurimo
