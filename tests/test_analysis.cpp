// The steady state of the chain, the convergence measure, and the stability verdict of the
// time step, each against what the stepping itself does.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <utility>

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
  // negative eigenvalue.
  // The mode needs more steps to stand out where it grows slowly.
  const std::pair<const char*, std::uint64_t> cases[] = {{"7.5", 59}, {"9", 15}};
  for (const auto& [mouth, steps] : cases) {
    SCOPED_TRACE(mouth);
    BayModel m = SmallBay(mouth);
    m.AcceptOpenSeaQuality("1000000");
    m.AcceptInflowQuality("999990");
    PrepareStepping(m);
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

TEST(Stability, VerdictAgreesWithWhatTheStepsDo) {
  // Mouth lengths on both sides of the limit (about 7.3 km for this bay).
  for (const char* mouth : {"4", "6", "7", "7.5", "8", "10"}) {
    SCOPED_TRACE(mouth);
    TempFolder folder;
    BayModel m = SmallBay(mouth);
    RecordingObserver observer;
    const RunResult r = m.RunSimulation(folder.File("out.txt"), observer);
    const StabilityVerdict v = m.DiagnoseStability();
    EXPECT_EQ(r.unstableStep, !v.stable);
    if (v.stable) {
      EXPECT_GT(v.stepTimesEigenvalue, kRungeKuttaStabilityLimit);
      EXPECT_EQ(r.status, RunStatus::Completed);
      EXPECT_LT(m.Convergence(), 1e-6);
      EXPECT_TRUE(observer.warnings.empty());
    } else {
      EXPECT_LT(v.stepTimesEigenvalue, kRungeKuttaStabilityLimit);
      // The run ends further from the steady state than it started, or blows up.
      EXPECT_TRUE(r.status == RunStatus::Diverged || m.Convergence() > 1.0)
          << "convergence " << m.Convergence();
      ASSERT_EQ(observer.warnings.size(), 1u);
      EXPECT_EQ(observer.warnings[0],
                std::string(kUnstableStepTitle) + "|" + std::string(kUnstableStepMessage));
    }
  }
}

TEST(Stability, WarningChangesNoResult) {
  // 8 km of mouth on the small bay: unstable, but the clamping at zero keeps it finite.
  TempFolder folder;
  BayModel m = SmallBay("8");
  RecordingObserver observer;
  const RunResult r = m.RunSimulation(folder.File("out.txt"), observer);
  ASSERT_EQ(r.status, RunStatus::Completed);
  EXPECT_TRUE(r.unstableStep);
  EXPECT_FALSE(r.mouthVelocityWarning);
  EXPECT_EQ(observer.warnings.size(), 1u);
  EXPECT_EQ(test::ReadCp932Lines(folder.File("out.txt")).size(), 26u);

  // The same steps without the run give the very same state.
  BayModel plain = SmallBay("8");
  PrepareStepping(plain);
  ASSERT_FALSE(plain.AdvanceTimeSteps(r.stepCount).diverged);
  for (int b = 1; b <= 5; ++b)
    EXPECT_EQ(plain.Concentration[1][b], m.Concentration[1][b]) << b;
}

TEST(Stability, MessageSaysWhatToChange) {
  const std::string text(kUnstableStepMessage);
  EXPECT_NE(text.find("振動"), std::string::npos);
  EXPECT_NE(text.find("発散"), std::string::npos);
  EXPECT_NE(text.find("湾面積を大きく"), std::string::npos);
  EXPECT_NE(text.find("湾口部長さを短く"), std::string::npos);
  EXPECT_FALSE(kUnstableStepTitle.empty());
}

TEST(Stability, NoWarningForARunWithoutSteps) {
  // A 1 km2, 1 m bay: a period of 0 days, whatever the step.
  TempFolder folder;
  BayModel m;
  m.LoadDefaultCase();
  m.AcceptBayArea("1");
  m.AcceptMeanDepth("1");
  m.AcceptMouthLength("50");
  RecordingObserver observer;
  const RunResult r = m.RunSimulation(folder.File("out.txt"), observer);
  EXPECT_EQ(r.stepCount, 0u);
  EXPECT_FALSE(m.DiagnoseStability().stable);
  EXPECT_FALSE(r.unstableStep);
  EXPECT_TRUE(observer.warnings.empty());
}

}  // namespace
}  // namespace kurimo
