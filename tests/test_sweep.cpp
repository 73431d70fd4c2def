// The sweep engine against single runs, bit for bit: whole sweeps through both versions of
// the stepping code, the cases that warn or are abandoned, the choices a restricted sweep
// makes, and stopping a sweep.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "case_inputs.h"
#include "chain_lanes.h"
#include "sweep.h"
#include "test_helpers.h"

namespace kurimo {
namespace {

using test::RecordingObserver;
using test::TempFolder;

constexpr std::array<MultiplierList, 3> kLists = {MultiplierList::Section, MultiplierList::Quality,
                                                  MultiplierList::Quantity};

// What one RunSimulation of a case leaves behind.
struct SingleRun {
  RunResult result;
  BayModel model;
  std::size_t warnings = 0;
};

BayModel WithChoice(const BayModel& conditions, const MultiplierChoice& choice) {
  BayModel m = conditions;
  for (std::size_t i = 0; i < kLists.size(); ++i) {
    SetMultiplier(m, kLists[i],
                  *MultiplierFactor(kLists[i], MultiplierEntries(kLists[i])[choice[i]]));
  }
  return m;
}

SingleRun RunAlone(const BayModel& conditions, const MultiplierChoice& choice) {
  TempFolder folder;
  SingleRun run{{}, WithChoice(conditions, choice), 0};
  RecordingObserver observer;
  run.result = run.model.RunSimulation(folder.File("out.txt"), observer);
  run.warnings = observer.warnings.size();
  return run;
}

bool SameBits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// Every figure of the outcome against the single run, to the last bit (NaNs included).
void ExpectSameAsSingleRun(const CaseOutcome& o, const SingleRun& run) {
  const RunResult& r = run.result;
  const BayModel& m = run.model;
  EXPECT_EQ(o.runStatus, r.status);
  EXPECT_EQ(o.mouthVelocityWarning, r.mouthVelocityWarning);
  EXPECT_EQ(int{o.mouthVelocityWarning}, static_cast<int>(run.warnings));
  const CaseStatus expected = r.status != RunStatus::Completed ? CaseStatus::Abandoned
                              : r.mouthVelocityWarning         ? CaseStatus::Warning
                                                               : CaseStatus::Done;
  EXPECT_EQ(o.status, expected);
  EXPECT_EQ(o.steps, r.stepCount);
  EXPECT_EQ(o.stepsDone, r.stepsDone);
  EXPECT_TRUE(SameBits(o.timeStepMinutes, m.TimeStepMinutes));
  EXPECT_TRUE(SameBits(o.ruleTimeStepMinutes, m.RuleTimeStepMinutes));
  EXPECT_EQ(o.timeStepReduced, m.TimeStepReduced());
  const Indicators i = m.ComputeIndicators();
  EXPECT_TRUE(SameBits(o.indicators.changedMouthSection, i.changedMouthSection));
  EXPECT_TRUE(SameBits(o.indicators.changedInflowLoad, i.changedInflowLoad));
  EXPECT_TRUE(SameBits(o.indicators.eddyDiffusivity, i.eddyDiffusivity));
  EXPECT_TRUE(SameBits(o.indicators.meanVelocity, i.meanVelocity));
  EXPECT_TRUE(SameBits(o.indicators.residenceTime, i.residenceTime));
  EXPECT_TRUE(SameBits(o.indicators.closedness, i.closedness));
  EXPECT_TRUE(SameBits(o.indicators.loadPerVolume, i.loadPerVolume));
  for (int b = 1; b <= 5; ++b) {
    EXPECT_TRUE(SameBits(o.concentrations[b - 1], m.Concentration[1][b]))
        << "box " << b << ": " << o.concentrations[b - 1] << " vs " << m.Concentration[1][b];
  }
  if (r.status == RunStatus::Completed) {
    EXPECT_TRUE(SameBits(o.bayAverage, m.BayAverage[1]))
        << o.bayAverage << " vs " << m.BayAverage[1];
  } else {
    EXPECT_TRUE(std::isnan(o.bayAverage)) << "an abandoned run has no mean";
  }
}

BayModel Conditions(const char* area, const char* depth, const char* mouth, const char* rate) {
  BayModel m;
  m.LoadDefaultCase();
  m.AcceptBayArea(area);
  m.AcceptMeanDepth(depth);
  m.AcceptMouthLength(mouth);
  m.AcceptInflowRate(rate);
  return m;
}

BayModel DefaultConditions() {
  BayModel m;
  m.LoadDefaultCase();
  return m;
}

BayModel WithInflowQuality(const char* quality) {
  BayModel m = DefaultConditions();
  m.AcceptInflowQuality(quality);
  return m;
}

// The full default sweep run one case at a time, worked out once for the tests below.
const std::vector<SingleRun>& DefaultSingleRuns() {
  static const std::vector<SingleRun> runs = [] {
    const BayModel conditions = DefaultConditions();
    std::vector<SingleRun> all;
    for (const MultiplierChoice& c : SweepChoices(conditions, true, true, true))
      all.push_back(RunAlone(conditions, c));
    return all;
  }();
  return runs;
}

class WholeSweep : public ::testing::TestWithParam<bool> {};

TEST_P(WholeSweep, DefaultConditionsGiveTheSingleRunsToTheLastBit) {
  const bool avx2 = GetParam();
  if (avx2 && !Avx2Supported()) GTEST_SKIP() << "this processor has no AVX2";
  const BayModel conditions = DefaultConditions();
  const std::vector<MultiplierChoice> choices = SweepChoices(conditions, true, true, true);
  ASSERT_EQ(choices.size(), 448u);
  SweepControl control;
  control.useAvx2 = avx2;
  const std::vector<CaseOutcome> outcomes = RunCases(conditions, choices, control);
  ASSERT_EQ(outcomes.size(), choices.size());
  const std::vector<SingleRun>& runs = DefaultSingleRuns();
  for (std::size_t i = 0; i < choices.size(); ++i) {
    SCOPED_TRACE(::testing::Message() << "case " << i << " {" << choices[i][0] << ","
                                      << choices[i][1] << "," << choices[i][2] << "}");
    EXPECT_EQ(outcomes[i].choice, choices[i]);
    ExpectSameAsSingleRun(outcomes[i], runs[i]);
  }
}

std::string StepCodeName(const ::testing::TestParamInfo<bool>& param) {
  return param.param ? "Avx2" : "Portable";
}

INSTANTIATE_TEST_SUITE_P(StepCode, WholeSweep, ::testing::Values(false, true), StepCodeName);

// Conditions whose cases end in different ways, each compared with its single run, with
// one, two and three workers and both versions of the stepping code.
struct ConditionRow {
  const char* name;
  BayModel conditions;
  bool section, quality, quantity;
  // What the cases must include, so that the row covers what it is for.
  std::set<CaseStatus> statuses;
  std::set<RunStatus> reasons;
  bool someShortened = false;  // a case whose step the set-up shortened for stability
};

std::vector<ConditionRow> ConditionRows() {
  BayModel fastMouth = Conditions(" 1000", "1", "0.3", " 331");  // 300 m2 of mouth, 1.1 m/s
  return {
      // Step counts differ with the flow, so the lanes are refilled at different times.
      {"mouth velocity warning for some entries",
       fastMouth,
       true,
       false,
       true,
       {CaseStatus::Done, CaseStatus::Warning},
       {RunStatus::Completed}},
      {"wide mouth on a small bay: steps shortened for stability",
       Conditions("2.8757", "4.003", "9.616", " 331"),
       true,
       true,
       false,
       {CaseStatus::Done},
       {RunStatus::Completed},
       true},
      {"river quality beyond single precision for the larger factors",
       WithInflowQuality("1e34"),
       false,
       true,
       false,
       {CaseStatus::Done, CaseStatus::Abandoned},
       {RunStatus::Completed, RunStatus::ValueTooLarge}},
      {"time step rounds to 0",
       Conditions("1", "1", "0.01", "100"),
       false,
       false,
       true,
       {CaseStatus::Abandoned},
       {RunStatus::ZeroTimeStep}},
      {"period is infinite",
       Conditions("1e300", " 18", " 7", " 331"),
       false,
       true,
       false,
       {CaseStatus::Abandoned},
       {RunStatus::NonFiniteCase}},
      {"too many steps",
       Conditions("1e8", "1000", " 7", "1e-6"),
       true,
       false,
       false,
       {CaseStatus::Abandoned},
       {RunStatus::TooManySteps}},
      {"smallest bay: a one-day period",
       Conditions("1", "1", " 7", " 331"),
       false,
       false,
       true,
       {CaseStatus::Done},
       {RunStatus::Completed},
       true},
  };
}

TEST(RunCases, CasesThatWarnOrAreAbandonedMatchTheirSingleRuns) {
  for (const ConditionRow& row : ConditionRows()) {
    SCOPED_TRACE(row.name);
    const std::vector<MultiplierChoice> choices =
        SweepChoices(row.conditions, row.section, row.quality, row.quantity);
    std::vector<SingleRun> runs;
    for (const MultiplierChoice& c : choices)
      runs.push_back(RunAlone(row.conditions, c));
    for (unsigned threads : {1u, 2u, 3u}) {
      for (bool avx2 : {false, true}) {
        SCOPED_TRACE(::testing::Message() << threads << " threads, AVX2 " << avx2);
        SweepControl control;
        control.threads = threads;
        control.useAvx2 = avx2;
        const std::vector<CaseOutcome> outcomes = RunCases(row.conditions, choices, control);
        ASSERT_EQ(outcomes.size(), choices.size());
        std::set<CaseStatus> statuses;
        std::set<RunStatus> reasons;
        bool shortened = false;
        for (std::size_t i = 0; i < choices.size(); ++i) {
          SCOPED_TRACE(::testing::Message() << "case " << i);
          ExpectSameAsSingleRun(outcomes[i], runs[i]);
          statuses.insert(outcomes[i].status);
          reasons.insert(outcomes[i].runStatus);
          shortened = shortened || outcomes[i].timeStepReduced;
        }
        if (row.someShortened) {
          EXPECT_TRUE(shortened) << "no case with a shortened step";
        }
        for (CaseStatus s : row.statuses)
          EXPECT_TRUE(statuses.count(s)) << "no case with status " << static_cast<int>(s);
        for (RunStatus s : row.reasons)
          EXPECT_TRUE(reasons.count(s)) << "no case with run status " << static_cast<int>(s);
      }
    }
  }
}

TEST(RunCases, FactorsComeFromTheChoicesNotFromTheModel) {
  BayModel conditions = DefaultConditions();
  SetMultiplier(conditions, MultiplierList::Section, 2.0);
  SetMultiplier(conditions, MultiplierList::Quality, 5.0);
  const MultiplierChoice defaults = {0, 0, 0};
  const std::vector<CaseOutcome> outcomes = RunCases(conditions, std::span(&defaults, 1));
  ASSERT_EQ(outcomes.size(), 1u);
  ExpectSameAsSingleRun(outcomes[0], RunAlone(DefaultConditions(), defaults));
  EXPECT_EQ(outcomes[0].steps, 12623u);
}

TEST(RunCases, RepeatedChoicesAndEmptyLists) {
  const BayModel conditions = DefaultConditions();
  EXPECT_TRUE(RunCases(conditions, {}).empty());
  const std::vector<MultiplierChoice> twice = {{2, 3, 4}, {2, 3, 4}};
  const std::vector<CaseOutcome> outcomes = RunCases(conditions, twice);
  ASSERT_EQ(outcomes.size(), 2u);
  ExpectSameAsSingleRun(outcomes[0], RunAlone(conditions, twice[0]));
  ExpectSameAsSingleRun(outcomes[1], RunAlone(conditions, twice[1]));
}

TEST(RunCases, EntryOutsideItsListIsRejectedBeforeAnyRun) {
  const BayModel conditions = DefaultConditions();
  int progressCalls = 0;
  SweepControl control;
  control.progress = [&](std::uint64_t, std::uint64_t) {
    ++progressCalls;
    return true;
  };
  for (const MultiplierChoice& bad :
       {MultiplierChoice{7, 0, 0}, MultiplierChoice{0, 8, 0}, MultiplierChoice{0, 0, -1}}) {
    const std::vector<MultiplierChoice> cases = {{0, 0, 0}, bad};
    EXPECT_THROW(RunCases(conditions, cases, control), std::out_of_range);
  }
  EXPECT_EQ(progressCalls, 0);
}

// Cases of about 8.4 million steps each: far longer than the tests below let them run.
BayModel LongConditions() {
  BayModel m = DefaultConditions();
  m.AcceptInflowRate("0.5");
  return m;
}

TEST(RunCases, ProgressReturningFalseStopsTheSweep) {
  const BayModel conditions = LongConditions();
  const std::vector<MultiplierChoice> choices = SweepChoices(conditions, false, true, true);
  ASSERT_EQ(choices.size(), 64u);
  std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
  SweepControl control;
  control.threads = 2;
  control.progress = [&](std::uint64_t done, std::uint64_t total) {
    calls.emplace_back(done, total);
    return false;
  };
  const std::vector<CaseOutcome> outcomes = RunCases(conditions, choices, control);
  ASSERT_EQ(calls.size(), 1u) << "no call after the one that stopped the sweep";
  // Counted in steps across the cases, millions a case.
  std::uint64_t total = 0;
  for (const MultiplierChoice& c : choices) {
    BayModel m = WithChoice(conditions, c);
    test::PrepareRun(m);
    total += m.PlanSteps().stepCount;
  }
  EXPECT_EQ(calls[0].second, total);
  EXPECT_LT(calls[0].first, total / 64);
  ASSERT_EQ(outcomes.size(), choices.size());
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    EXPECT_EQ(outcomes[i].choice, choices[i]);
    EXPECT_EQ(outcomes[i].status, CaseStatus::Abandoned);
    EXPECT_EQ(outcomes[i].runStatus, RunStatus::Cancelled);
    EXPECT_TRUE(std::isnan(outcomes[i].bayAverage));
    EXPECT_EQ(outcomes[i].stepsDone, 0u);
  }
}

TEST(RunCases, ACaseThatEndsEarlyCountsAllItsStepsAsMade) {
  // Long cases of a river quality near the end of single precision: with the larger quality
  // factors the load itself overflows in the first step, the others run for millions of
  // steps. As soon as any progress shows, the ended cases count in full, so that the total
  // is reachable.
  BayModel conditions = LongConditions();
  conditions.AcceptInflowQuality("7e36");
  const std::vector<MultiplierChoice> choices = SweepChoices(conditions, false, true, false);
  std::uint64_t firstDone = 0;
  std::uint64_t total = 0;
  SweepControl control;
  control.threads = 1;
  control.progress = [&](std::uint64_t done, std::uint64_t all) {
    firstDone = done;
    total = all;
    return done == 0;  // stop at the first progress there is
  };
  const std::vector<CaseOutcome> outcomes = RunCases(conditions, choices, control);
  std::size_t overflowed = 0;
  for (const CaseOutcome& o : outcomes)
    overflowed += o.runStatus == RunStatus::ValueTooLarge;
  ASSERT_EQ(overflowed, 4u);
  EXPECT_GE(firstDone, 4 * (total / 8));
  EXPECT_LT(firstDone, total);
}

TEST(RunCases, ProgressCountsStepsUntilTheEnd) {
  const BayModel conditions = DefaultConditions();
  const std::vector<MultiplierChoice> choices = SweepChoices(conditions, true, true, true);
  std::vector<std::uint64_t> done;
  std::uint64_t reportedTotal = 0;
  SweepControl control;
  control.threads = 1;
  control.progress = [&](std::uint64_t d, std::uint64_t total) {
    reportedTotal = total;
    done.push_back(d);
    return true;
  };
  const std::vector<CaseOutcome> outcomes = RunCases(conditions, choices, control);
  std::uint64_t steps = 0;
  for (const CaseOutcome& o : outcomes)
    steps += o.steps;
  EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
  if (!done.empty()) {
    EXPECT_EQ(reportedTotal, steps);
    EXPECT_LE(done.back(), steps);
  }
  const std::vector<SingleRun>& runs = DefaultSingleRuns();
  for (std::size_t i = 0; i < choices.size(); ++i)
    EXPECT_TRUE(SameBits(outcomes[i].bayAverage, runs[i].model.BayAverage[1])) << i;
}

TEST(RunCases, ExceptionFromProgressStopsTheWorkersAndReachesTheCaller) {
  const BayModel conditions = LongConditions();
  const std::vector<MultiplierChoice> choices = SweepChoices(conditions, false, false, true);
  SweepControl control;
  control.progress = [](std::uint64_t, std::uint64_t) -> bool {
    throw std::runtime_error("progress failed");
  };
  EXPECT_THROW(RunCases(conditions, choices, control), std::runtime_error);
}

TEST(SweepChoices, CountsAndOrderOfTheCombinations) {
  const BayModel conditions = DefaultConditions();
  struct Row {
    bool section, quality, quantity;
    std::size_t count;
  };
  for (const Row& r :
       {Row{true, true, true, 448}, Row{true, false, false, 7}, Row{false, true, false, 8},
        Row{false, false, true, 8}, Row{true, false, true, 56}, Row{false, true, true, 64},
        Row{false, false, false, 1}}) {
    const std::vector<MultiplierChoice> choices =
        SweepChoices(conditions, r.section, r.quality, r.quantity);
    EXPECT_EQ(choices.size(), r.count);
    EXPECT_EQ(std::set<MultiplierChoice>(choices.begin(), choices.end()).size(), r.count)
        << "no combination twice";
  }
  const std::vector<MultiplierChoice> all = SweepChoices(conditions, true, true, true);
  EXPECT_EQ(all.front(), (MultiplierChoice{0, 0, 0}));
  EXPECT_EQ(all[1], (MultiplierChoice{0, 0, 1}));  // the quantity list varies fastest
  EXPECT_EQ(all[8], (MultiplierChoice{0, 1, 0}));
  EXPECT_EQ(all[64], (MultiplierChoice{1, 0, 0}));  // the section list slowest
  EXPECT_EQ(all.back(), (MultiplierChoice{6, 7, 7}));
}

TEST(SweepChoices, ListsNotNamedStayAtTheModelsEntry) {
  BayModel conditions = DefaultConditions();
  SetMultiplier(conditions, MultiplierList::Section, 1.5);   // entry 5
  SetMultiplier(conditions, MultiplierList::Quality, 0.2);   // entry 1, in single precision
  SetMultiplier(conditions, MultiplierList::Quantity, 5.0);  // entry 7
  for (const MultiplierChoice& c : SweepChoices(conditions, false, true, false)) {
    EXPECT_EQ(c[0], 5);
    EXPECT_EQ(c[2], 7);
  }
  std::set<int> sections;
  for (const MultiplierChoice& c : SweepChoices(conditions, true, false, false)) {
    sections.insert(c[0]);
    EXPECT_EQ(c[1], 1);
    EXPECT_EQ(c[2], 7);
  }
  EXPECT_EQ(sections.size(), 7u);
  EXPECT_EQ(SweepChoices(conditions, false, false, false),
            (std::vector<MultiplierChoice>{{5, 1, 7}}));
}

TEST(SweepChoices, FactorOutsideItsListCannotBeKept) {
  BayModel conditions = DefaultConditions();
  conditions.SectionFactor = 3.0;
  EXPECT_EQ(CurrentEntry(conditions, MultiplierList::Section), std::nullopt);
  EXPECT_THROW(SweepChoices(conditions, false, true, true), std::invalid_argument);
  // Swept, the list does not need the model's factor.
  EXPECT_EQ(SweepChoices(conditions, true, true, true).size(), 448u);
  conditions.QualityFactor = 0.2f;
  EXPECT_EQ(CurrentEntry(conditions, MultiplierList::Quality), 1);
}

// The lanes on their own, against AdvanceTimeSteps: concentrations and increments after
// every block, and a lane that diverges.
BayModel SetUpCase(BayModel m) {
  RecordingObserver observer;
  m.InitialiseModelArrays();
  m.SetUpCase(observer);
  m.ComputeLoadRates();
  return m;
}

class Lanes : public ::testing::TestWithParam<LaneCode> {
 protected:
  void SetUp() override {
    if (GetParam() == LaneCode::Avx2 && !Avx2Supported()) GTEST_SKIP() << "no AVX2";
  }
};

TEST_P(Lanes, EachLaneStepsAsItsOwnCase) {
  const BayModel conditions = DefaultConditions();
  std::vector<BayModel> models;
  ChainLanes lanes;
  for (int lane = 0; lane < ChainLanes::kLanes; ++lane) {
    const MultiplierChoice choice = {lane % 7, (lane * 3) % 8, 7 - lane % 8};
    models.push_back(SetUpCase(WithChoice(conditions, choice)));
    ASSERT_TRUE(ChainLanes::Fits(ChainCaseOf(models.back())));
    lanes.Load(lane, ChainCaseOf(models.back()));
  }
  for (std::uint64_t block : {1u, 7u, 1000u}) {
    ASSERT_EQ(lanes.Step(block, GetParam()), block);
    for (int lane = 0; lane < ChainLanes::kLanes; ++lane) {
      BayModel& m = models[lane];
      ASSERT_EQ(m.AdvanceTimeSteps(block).stepsMade, block);
      EXPECT_FALSE(lanes.Diverged(lane));
      for (int b = 1; b <= 5; ++b) {
        EXPECT_TRUE(SameBits(lanes.Concentration(lane, b), m.Concentration[1][b]))
            << "lane " << lane << " box " << b;
        EXPECT_EQ(std::bit_cast<std::uint32_t>(lanes.Increment(lane, b)),
                  std::bit_cast<std::uint32_t>(m.StepIncrement[1][b]))
            << "lane " << lane << " box " << b;
      }
    }
  }
}

TEST_P(Lanes, StepsStopAfterTheStepThatDiverges) {
  // A wide mouth on a small bay, with the rule's step that the set-up would shorten.
  BayModel diverging =
      SetUpCase(WithChoice(Conditions("2.8757", "4.003", "9.616", " 331"), {0, 0, 0}));
  diverging.TimeStepMinutes = diverging.RuleTimeStepMinutes;
  const BayModel steady = SetUpCase(DefaultConditions());
  ChainLanes lanes;
  lanes.Load(0, ChainCaseOf(steady));
  lanes.Load(5, ChainCaseOf(diverging));
  BayModel alone = diverging;
  const SteppingResult expected = alone.AdvanceTimeSteps(1000);
  ASSERT_TRUE(expected.diverged);
  ASSERT_EQ(lanes.Step(1000, GetParam()), expected.stepsMade);
  EXPECT_TRUE(lanes.Diverged(5));
  EXPECT_FALSE(lanes.Diverged(0));
  for (int b = 1; b <= 5; ++b)
    EXPECT_TRUE(SameBits(lanes.Concentration(5, b), alone.Concentration[1][b])) << b;
  // An emptied lane holds zeros that stay zeros.
  lanes.Clear(5);
  EXPECT_EQ(lanes.Step(10, GetParam()), 10u);
  EXPECT_FALSE(lanes.Diverged(5));
  EXPECT_EQ(lanes.Concentration(5, 1), 0.0);
}

TEST(ChainLanes, CaseWithOneSidedExchangeIsRefused) {
  ChainCase c = ChainCaseOf(SetUpCase(DefaultConditions()));
  EXPECT_TRUE(ChainLanes::Fits(c));
  c.landExchange[3] = std::nextafter(c.landExchange[3], 0.0);
  EXPECT_FALSE(ChainLanes::Fits(c));
  ChainLanes lanes;
  EXPECT_THROW(lanes.Load(0, c), std::invalid_argument);
}

std::string LaneCodeName(const ::testing::TestParamInfo<LaneCode>& param) {
  return param.param == LaneCode::Avx2 ? "Avx2" : "Portable";
}

INSTANTIATE_TEST_SUITE_P(Code, Lanes, ::testing::Values(LaneCode::Portable, LaneCode::Avx2),
                         LaneCodeName);

}  // namespace
}  // namespace kurimo
