// The steady state of the chain, the convergence measure, and the stability verdict of the
// time step, each against what the stepping itself does.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "case_inputs.h"
#include "number_text.h"
#include "run_messages.h"
#include "test_helpers.h"

namespace kurimo {
namespace {

using test::PrepareRun;
using test::RecordingObserver;
using test::TempFolder;

// The amplification of one fourth-order Runge-Kutta step for dc/dt = lambda c, z = lambda dt.
double GrowthFactor(double z) {
  return 1 + z + z * z / 2 + z * z * z / 6 + z * z * z * z / 24;
}

double LargestDeviation(const BayModel& m, const std::array<double, 5>& steady) {
  double d = 0;
  for (int b = 1; b <= 5; ++b)
    d = std::max(d, std::abs(m.Concentration[1][b] - steady[static_cast<std::size_t>(b - 1)]));
  return d;
}

// A small bay (10 km2, 4 m deep, mouth section halved) whose stability turns on the mouth
// length: below about 7.3 km the step is stable, above it unstable.
BayModel SmallBay(const std::string& mouthLength) {
  BayModel m;
  m.LoadDefaultCase();
  m.AcceptBayArea("10");
  m.AcceptMeanDepth("4");
  m.AcceptMouthLength(mouthLength);
  SetMultiplier(m, MultiplierList::Section, 0.5);
  return m;
}

// The set-up and load rates of a case, as a run has them when it starts stepping.
void PrepareStepping(BayModel& m) {
  PrepareRun(m);
  m.ComputeLoadRates();
}

TEST(SteadyState, DefaultRunEndsAtTheSteadyStateToFourDigits) {
  TempFolder folder;
  BayModel m;
  m.LoadDefaultCase();
  RecordingObserver observer;
  ASSERT_EQ(m.RunSimulation(folder.File("out.txt"), observer).status, RunStatus::Completed);
  const std::array<double, 5> steady = m.SteadyState();
  for (int b = 1; b <= 5; ++b) {
    SCOPED_TRACE(b);
    const double s = steady[static_cast<std::size_t>(b - 1)];
    EXPECT_EQ(RoundHalfEven(s, 4), RoundHalfEven(m.Concentration[1][b], 4));
    EXPECT_NEAR(s, m.Concentration[1][b], 1e-6);
  }
  // Higher at the head of the bay, where the river enters, down towards the open sea.
  for (std::size_t b = 0; b + 1 < steady.size(); ++b)
    EXPECT_GT(steady[b], steady[b + 1]);
  EXPECT_GT(steady[4], 2.4);
  EXPECT_LT(m.Convergence(), 1e-6);
}

TEST(SteadyState, ClosedFormIsWhereALongRunOfAnotherCaseSettles) {
  // A shallow bay with a narrow mouth and a dirty river: a steep gradient from head to mouth.
  BayModel m;
  m.LoadDefaultCase();
  m.AcceptBayArea("100");
  m.AcceptMeanDepth("5");
  m.AcceptMouthLength("1.5");
  m.AcceptInflowQuality("50");
  m.AcceptInflowRate("80");
  PrepareStepping(m);
  const std::array<double, 5> steady = m.SteadyState();
  EXPECT_EQ(m.Convergence(), 1.0);  // the bay starts at the open-sea value
  const double firstDeviation = LargestDeviation(m, steady);
  double lastDeviation = firstDeviation;
  for (int block = 0; block < 40; ++block) {
    ASSERT_FALSE(m.AdvanceTimeSteps(5000).diverged);
    const double deviation = LargestDeviation(m, steady);
    // Until rounding takes over, at about 1e-8 of the values.
    if (lastDeviation > 1e-6) {
      EXPECT_LT(deviation, lastDeviation) << "block " << block;
    }
    lastDeviation = deviation;
  }
  // The steps round the exchanges to single precision, so they settle within a few parts
  // in a billion of the exact steady state.
  for (int b = 1; b <= 5; ++b) {
    SCOPED_TRACE(b);
    EXPECT_NEAR(m.Concentration[1][b], steady[static_cast<std::size_t>(b - 1)],
                1e-8 * steady[static_cast<std::size_t>(b - 1)]);
  }
  EXPECT_GT(steady[0], 10.0);
  EXPECT_LT(m.Convergence(), 1e-8);

  // Started exactly at the steady state, a step moves the boxes by rounding alone: a
  // millionth of what the first step from the open sea moves them.
  BayModel fresh = m;
  PrepareStepping(fresh);
  fresh.AdvanceTimeStep();
  const double firstStep = LargestDeviation(fresh, fresh.SteadyState()) - firstDeviation;
  for (int b = 1; b <= 5; ++b)
    m.Concentration[1][b] = steady[static_cast<std::size_t>(b - 1)];
  m.AdvanceTimeStep();
  EXPECT_LT(LargestDeviation(m, steady), 1e-6 * std::abs(firstStep));
}

TEST(SteadyState, EachInterfaceCarriesTheWholeLoad) {
  BayModel m;
  m.LoadDefaultCase();
  PrepareStepping(m);
  const std::array<double, 5> s = m.SteadyState();
  const double q = m.ChangedInflowRate;
  for (int b = 1; b <= 5; ++b) {
    SCOPED_TRACE(b);
    const double landward = s[static_cast<std::size_t>(b - 1)];
    const double seaward = b < 5 ? s[static_cast<std::size_t>(b)] : 2.4;
    const double e = static_cast<double>(m.ExchangeCoefficient[b][b + 1]);
    // River water carries the landward box's water out; exchange mixes both ways.
    EXPECT_NEAR(q * landward + e * (landward - seaward), 3310.0, 1e-9 * 3310);
  }
}

TEST(Convergence, MeasuredAgainstTheDistanceFromTheOpenSea) {
  // A river as clean as the open sea: its load, rounded to single precision, leaves the
  // steady state a few parts in a hundred million below the open sea. The measure is
  // relative, so the run still starts at 1 and falls from there.
  BayModel m;
  m.LoadDefaultCase();
  m.AcceptInflowQuality("2.4");
  PrepareStepping(m);
  for (double s : m.SteadyState())
    EXPECT_NEAR(s, 2.4, 1e-7);
  EXPECT_EQ(m.Convergence(), 1.0);
  m.AdvanceTimeSteps(2000);
  EXPECT_LT(m.Convergence(), 1e-3);
}

TEST(Convergence, NothingToConvergeTo) {
  // Open sea and river both at 0: the steady state is the open sea exactly. A state there
  // has converged; any other is infinitely far relative to a span of nothing.
  BayModel m;
  m.LoadDefaultCase();
  m.AcceptOpenSeaQuality("0");
  m.AcceptInflowQuality("0");
  PrepareStepping(m);
  for (double s : m.SteadyState())
    EXPECT_EQ(s, 0.0);
  EXPECT_EQ(m.Convergence(), 0.0);
  m.AdvanceTimeSteps(100);
  EXPECT_EQ(m.Convergence(), 0.0);
  m.Concentration[1][3] = 1e-3;
  EXPECT_EQ(m.Convergence(), std::numeric_limits<double>::infinity());
}

TEST(Convergence, FallsFromOneAsARunProceeds) {
  BayModel m;
  m.LoadDefaultCase();
  PrepareStepping(m);
  double last = m.Convergence();
  EXPECT_EQ(last, 1.0);
  for (int i = 0; i < 5; ++i) {
    m.AdvanceTimeSteps(150);
    const double now = m.Convergence();
    EXPECT_LT(now, last) << i;
    EXPECT_GT(now, 1e-6) << i;
    last = now;
  }
  m.Concentration[1][2] = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(std::isnan(m.Convergence()));
}

// Late in a run only the slowest mode is left: the distance from the steady state then
// shrinks by e every flushing time, whatever the case.
TEST(FlushingTime, IsTheTimeTheStepsTakeToShrinkTheRemainderByE) {
  struct Case {
    const char* name;
    const char* area;
    const char* mouth;
  };
  for (const Case& c : {Case{"default", nullptr, nullptr}, Case{"small bay", "10", "5"},
                        Case{"long mouth", "200", "30"}}) {
    BayModel m;
    m.LoadDefaultCase();
    if (c.area) {
      m.AcceptBayArea(c.area);
      m.AcceptMouthLength(c.mouth);
    }
    PrepareStepping(m);
    const double tau = m.FlushingTimeDays();
    const double stepDays = m.TimeStepMinutes / 1440.0;
    const std::array<double, 5> steady = m.SteadyState();
    // Two flushing times in, then two more measured.
    const auto steps = static_cast<std::uint64_t>(2 * tau / stepDays);
    m.AdvanceTimeSteps(steps);
    const double early = LargestDeviation(m, steady);
    m.AdvanceTimeSteps(steps);
    const double late = LargestDeviation(m, steady);
    const double measured = static_cast<double>(steps) * stepDays / std::log(early / late);
    EXPECT_NEAR(measured / tau, 1.0, 1e-4) << c.name << " tau " << tau;
    // Shorter than the fresh water alone would take: the mouth's exchange flushes too.
    EXPECT_LT(tau, m.ResidenceTimeDays()) << c.name;
  }
}

TEST(Stability, RungeKuttaLimitIsWhereOneStepStopsShrinking) {
  EXPECT_NEAR(GrowthFactor(kRungeKuttaStabilityLimit), 1.0, 1e-14);
  const double z = kRungeKuttaStabilityLimit;
  EXPECT_NEAR(z * z * z + 4 * z * z + 12 * z + 24, 0.0, 1e-13);
  EXPECT_LT(GrowthFactor(z + 1e-6), 1.0);
  EXPECT_GT(GrowthFactor(z - 1e-6), 1.0);
}

TEST(Stability, DefaultCaseIsStable) {
  BayModel m;
  m.LoadDefaultCase();
  PrepareStepping(m);
  const StabilityVerdict v = m.DiagnoseStability();
  EXPECT_TRUE(v.stable);
  EXPECT_LT(v.mostNegativeEigenvalue, 0.0);
  EXPECT_EQ(v.stepTimesEigenvalue, 60 * 718 * v.mostNegativeEigenvalue);
  EXPECT_NEAR(v.stepTimesEigenvalue, -0.4148, 1e-4);
}

TEST(Stability, MostNegativeEigenvalueGivesTheGrowthOfAnUnstableStep) {
  // The open sea and the river almost alike and far from zero, so that the deviation from
  // the steady state grows for many steps before any box could reach zero: the stepping
  // is then linear, and the deviation grows by the step's growth factor for the most
  // negative eigenvalue. The set-up shortens such steps, so the rule's step is put back.
  // The mode needs more steps to stand out where it grows slowly.
  const std::pair<const char*, std::uint64_t> cases[] = {{"7.5", 59}, {"9", 15}};
  for (const auto& [mouth, steps] : cases) {
    SCOPED_TRACE(mouth);
    BayModel m = SmallBay(mouth);
    m.AcceptOpenSeaQuality("1000000");
    m.AcceptInflowQuality("999990");
    PrepareStepping(m);
    ASSERT_TRUE(m.TimeStepReduced());
    m.TimeStepMinutes = m.RuleTimeStepMinutes;
    const StabilityVerdict v = m.DiagnoseStability();
    EXPECT_FALSE(v.stable);
    const double expected = GrowthFactor(v.stepTimesEigenvalue);
    EXPECT_GT(expected, 1.1);
    const std::array<double, 5> steady = m.SteadyState();
    m.AdvanceTimeSteps(steps);
    const double before = LargestDeviation(m, steady);
    m.AdvanceTimeSteps(1);
    EXPECT_NEAR(LargestDeviation(m, steady) / before, expected, 1e-4 * expected);
    for (int b = 1; b <= 5; ++b)
      EXPECT_GT(m.Concentration[1][b], 0.0);  // never clamped: the growth was linear
  }
}

// Cases whose rule step is too long for the chain, run to the end: the figures of an
// independent calculation of the shortened step.
struct ShortenedCase {
  const char* name;
  std::vector<std::pair<ConditionBox, const char*>> texts;
  std::vector<std::pair<MultiplierList, double>> factors;
  double ruleStep, stepUsed, days;
  std::uint64_t steps;
  double bayMean;
};

TEST(StableStep, ShortenedRunsMeetTheIndependentFigures) {
  const ShortenedCase cases[] = {
      {"small shallow bay with a wide mouth",
       {{ConditionBox::BayArea, "2.8757"},
        {ConditionBox::MeanDepth, "4.003"},
        {ConditionBox::MouthLength, "9.616"},
        {ConditionBox::OpenSeaQuality, "9.6783"},
        {ConditionBox::InflowQuality, "0"},
        {ConditionBox::InflowRate, "21.94"}},
       {{MultiplierList::Section, 0.5}, {MultiplierList::Quality, 2.0}},
       102,
       47,
       61,
       1869,
       8.588480893116472},
      {"1 km2 bay, 1.15 km mouth",
       {{ConditionBox::BayArea, "1"}, {ConditionBox::MouthLength, "1.15"}},
       {},
       72,
       63,
       6,
       137,
       7.9544116082759047},
      // Ten residence times round to 0 days: the period is one day.
      {"1 km2 bay, 1 m deep",
       {{ConditionBox::BayArea, "1"}, {ConditionBox::MeanDepth, "1"}},
       {},
       70,
       7,
       1,
       206,
       9.2568655153166759},
  };
  for (const ShortenedCase& c : cases) {
    SCOPED_TRACE(c.name);
    BayModel m;
    m.LoadDefaultCase();
    for (const auto& [box, text] : c.texts)
      AcceptConditionText(m, box, text);
    for (const auto& [list, factor] : c.factors)
      SetMultiplier(m, list, factor);
    TempFolder folder;
    RecordingObserver observer;
    const RunResult r = m.RunSimulation(folder.File("out.txt"), observer);
    ASSERT_EQ(r.status, RunStatus::Completed);
    EXPECT_TRUE(observer.warnings.empty());
    EXPECT_EQ(m.RuleTimeStepMinutes, c.ruleStep);
    EXPECT_EQ(m.TimeStepMinutes, c.stepUsed);
    EXPECT_EQ(m.CalculationDays, c.days);
    EXPECT_EQ(r.stepCount, c.steps);
    EXPECT_EQ(m.BayAverage[1], c.bayMean);
    EXPECT_TRUE(m.DiagnoseStability().stable);
    const std::array<double, 5> steady = m.SteadyState();
    EXPECT_LT(LargestDeviation(m, steady), 1e-8 * steady[0]);
    // The report shows the step used.
    EXPECT_EQ(test::ReadCp932Lines(folder.File("out.txt"))[17],
              "    ﾀｲﾑｽﾃｯﾌﾟ（分)=" + NumberToFileText(c.stepUsed));
  }
}

TEST(StableStep, NoStableWholeMinuteAbandonsTheRunAndSaysWhy) {
  // A 1 km2, 1 m bay with 0.1 km2 of mouth cross-section: the exchange through the mouth
  // would need a step of under a minute.
  BayModel m;
  m.LoadDefaultCase();
  m.AcceptBayArea("1");
  m.AcceptMeanDepth("1");
  m.AcceptMouthLength("50");
  SetMultiplier(m, MultiplierList::Section, 2.0);
  TempFolder folder;
  RecordingObserver observer;
  const RunResult r = m.RunSimulation(folder.File("out.txt"), observer);
  ASSERT_EQ(r.status, RunStatus::ZeroTimeStep);
  EXPECT_EQ(m.RuleTimeStepMinutes, 72);
  EXPECT_TRUE(r.exchangeTooFast);
  const std::string text = RunFaultMessage(r, "out.txt").text;
  EXPECT_NE(text.find("海水交換が湾の容積に比べて速すぎて"), std::string::npos) << text;
  EXPECT_NE(text.find("湾面積を大きくするか"), std::string::npos) << text;
}

TEST(StableStep, IsTheLongestWholeMinuteWithinTheMarginAndOnlyWhereNeeded) {
  // Mouth lengths on both sides of the limit (about 7.3 km for the small bay).
  for (const char* mouth : {"4", "6", "7", "7.5", "8", "10"}) {
    SCOPED_TRACE(mouth);
    BayModel m = SmallBay(mouth);
    PrepareStepping(m);
    const double rate = m.MostNegativeRate();
    const bool ruleStable = (60 * m.RuleTimeStepMinutes) * rate >= kRungeKuttaStabilityLimit;
    EXPECT_EQ(m.TimeStepReduced(), !ruleStable);
    EXPECT_TRUE(m.DiagnoseStability().stable);
    if (m.TimeStepReduced()) {
      EXPECT_LE(60 * m.TimeStepMinutes * -rate, 2.5);
      EXPECT_GT(60 * (m.TimeStepMinutes + 1) * -rate, 2.5);
    }
  }
}

TEST(StableStep, OrdinaryRandomCasesAllCompleteWithinTheirWaters) {
  // Ordinary bays, mouths and rivers: every run completes with a stable step, and every box
  // stays near the range between the open sea and the river's (changed) water, where the
  // steady state lies. A step just inside the stability limit follows the fastest mode only
  // roughly, so a box may overshoot the range a little on a short period (a tenth of it
  // is allowed); an unstable step ends far outside it, or at 0, or not at all.
  std::mt19937_64 random(20261207);
  auto pick = [&](double low, double high) {
    return std::exp(std::uniform_real_distribution<double>(std::log(low), std::log(high))(random));
  };
  int shortened = 0;
  int kept = 0;
  for (int i = 0; i < 150; ++i) {
    BayModel m;
    m.LoadDefaultCase();
    m.AcceptBayArea(NumberToText(pick(1, 2000)));
    m.AcceptMeanDepth(NumberToText(pick(1, 50)));
    m.AcceptMouthLength(NumberToText(pick(0.2, 30)));
    m.AcceptOpenSeaQuality(NumberToText(pick(0.1, 20)));
    m.AcceptInflowQuality(NumberToText(pick(0.1, 50)));
    m.AcceptInflowRate(NumberToText(pick(5, 3000)));
    SetMultiplier(m, MultiplierList::Section, 2.0);
    PrepareRun(m);
    const RunPlan plan = m.PlanSteps();
    if (plan.status != RunStatus::Completed || plan.stepCount > 200000) continue;
    SCOPED_TRACE(m.BayArea + " km2, " + m.MeanDepth + " m, mouth " + m.MouthLength + " km, sea " +
                 m.OpenSeaQuality + ", river " + m.InflowQuality + " x " + m.InflowRate);
    (m.TimeStepReduced() ? shortened : kept)++;
    TempFolder folder;
    RecordingObserver observer;
    ASSERT_EQ(m.RunSimulation(folder.File("out.txt"), observer).status, RunStatus::Completed);
    EXPECT_TRUE(m.DiagnoseStability().stable);
    const double sea = TextToNumber(m.OpenSeaQuality);
    const double river = m.ChangedInflowQuality[1];
    const double slack = 0.1 * std::abs(river - sea);
    for (int b = 1; b <= 5; ++b) {
      EXPECT_GE(m.Concentration[1][b], std::min(sea, river) - slack) << "box " << b;
      EXPECT_LE(m.Concentration[1][b], std::max(sea, river) + slack) << "box " << b;
    }
  }
  // Both kinds of case were met.
  EXPECT_GT(shortened, 10);
  EXPECT_GT(kept, 10);
}

TEST(StableStep, ResultMessageSaysTheStepWasShortened) {
  BayModel m = SmallBay("8");
  TempFolder folder;
  RecordingObserver observer;
  ASSERT_EQ(m.RunSimulation(folder.File("out.txt"), observer).status, RunStatus::Completed);
  ASSERT_TRUE(m.TimeStepReduced());
  const UserMessage message = RunResultMessage(m);
  EXPECT_EQ(message.title, "計算終了です！");
  EXPECT_EQ(message.text,
            ResultMessage(m.BayAverage[1]).text + "\r計算を安定させるため、ﾀｲﾑｽﾃｯﾌﾟを " +
                std::to_string(static_cast<int>(m.RuleTimeStepMinutes)) + " 分から " +
                std::to_string(static_cast<int>(m.TimeStepMinutes)) + " 分に短くしました。");

  BayModel defaults;
  defaults.LoadDefaultCase();
  ASSERT_EQ(defaults.RunSimulation(folder.File("out.txt"), observer).status, RunStatus::Completed);
  EXPECT_FALSE(defaults.TimeStepReduced());
  EXPECT_EQ(RunResultMessage(defaults).text, "計算結果(湾内平均水質)\r 3.15(g/m3)");
}

TEST(ValueTooLarge, AQualityBeyondSinglePrecisionIsNamedNotBlamedOnTheMouth) {
  const std::tuple<const char*, const char*, LargeCondition, const char*> cases[] = {
      {"2.4", "1e38", LargeCondition::InflowQuality, "流入水水質（倍率をかけた値が 1E+38 g/m3）"},
      {"1e37", "10", LargeCondition::OpenSeaQuality, "外海水水質（値が 1E+37 g/m3）"},
  };
  for (const auto& [sea, river, condition, named] : cases) {
    SCOPED_TRACE(river);
    BayModel m;
    m.LoadDefaultCase();
    m.AcceptOpenSeaQuality(sea);
    m.AcceptInflowQuality(river);
    TempFolder folder;
    RecordingObserver observer;
    const RunResult r = m.RunSimulation(folder.File("out.txt"), observer);
    ASSERT_EQ(r.status, RunStatus::ValueTooLarge);
    EXPECT_EQ(r.tooLarge.condition, condition);
    const UserMessage message = RunFaultMessage(r, "out.txt");
    EXPECT_EQ(message.text.rfind(named, 0), 0u) << message.text;
    EXPECT_EQ(message.text.find("湾口部"), std::string::npos) << message.text;
  }
  // Large but within range: the run completes.
  BayModel m;
  m.LoadDefaultCase();
  m.AcceptInflowQuality("1e30");
  TempFolder folder;
  RecordingObserver observer;
  EXPECT_EQ(m.RunSimulation(folder.File("out.txt"), observer).status, RunStatus::Completed);
}

}  // namespace
}  // namespace kurimo
