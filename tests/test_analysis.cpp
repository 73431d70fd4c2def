// The analysis of a case against what the stepping itself does (steady state, convergence,
// flushing time, stability), the run's time series and CSV file, the load for a target mean,
// and the sweep engine against single runs, to the bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "case_inputs.h"
#include "chain_lanes.h"
#include "chain_reference.h"
#include "named_cases.h"
#include "number_text.h"
#include "run_messages.h"
#include "series_csv.h"
#include "sweep.h"
#include "target_load.h"
#include "test_helpers.h"

namespace kurimo {
namespace {

// The condition boxes by their initials: area, depth, mouth, sea, quality, rate.
constexpr ConditionBox A = ConditionBox::BayArea, D = ConditionBox::MeanDepth,
                       M = ConditionBox::MouthLength, S = ConditionBox::OpenSeaQuality,
                       Q = ConditionBox::InflowQuality, R = ConditionBox::InflowRate;

constexpr std::array<MultiplierList, 3> kLists = {MultiplierList::Section, MultiplierList::Quality,
                                                  MultiplierList::Quantity};

// The default case with other texts and multipliers (section, quality, quantity).
BayModel Case(const std::vector<std::pair<ConditionBox, std::string>>& texts,
              std::array<double, 3> factors = {1, 1, 1}) {
  BayModel m;
  m.LoadDefaultCase();
  for (const auto& [box, text] : texts)
    AcceptConditionText(m, box, text);
  for (std::size_t i = 0; i < 3; ++i)
    SetMultiplier(m, kLists[i], factors[i]);
  return m;
}

// The case set up with its load rates, as a run has it when it starts stepping.
BayModel Stepping(BayModel m) {
  test::PrepareRun(m);
  m.ComputeLoadRates();
  return m;
}

RunResult RunCase(BayModel& m) {
  test::TempFolder folder;
  test::RecordingObserver observer;
  return m.RunSimulation(folder.File("out.txt"), observer);
}

// The largest distance of a box from the steady state.
double Deviation(const BayModel& m) {
  const std::array<double, 5> steady = m.SteadyState();
  double d = 0;
  for (int b = 1; b <= 5; ++b)
    d = std::max(d, std::abs(m.Concentration[1][b] - steady[b - 1]));
  return d;
}

// The amplification of one fourth-order Runge-Kutta step for dc/dt = lambda c, z = lambda dt.
double GrowthFactor(double z) {
  return 1 + z + z * z / 2 + z * z * z / 6 + z * z * z * z / 24;
}

// River water carries the landward box out, exchange mixes both ways: every interface carries
// the river's 3310 g/s. The convergence is the distance from the steady state, relative to it.
TEST(SteadyState, EachInterfaceCarriesTheWholeLoadAndConvergenceIsMeasuredFromIt) {
  const BayModel d = Stepping(Case({}));
  const std::array<double, 5> s = d.SteadyState();
  for (int b = 1; b <= 5; ++b) {
    const double seaward = b < 5 ? s[b] : 2.4, e = d.ExchangeCoefficient[b][b + 1];
    EXPECT_NEAR(331 * s[b - 1] + e * (s[b - 1] - seaward), 3310.0, 1e-9 * 3310) << b;
    EXPECT_GT(s[b - 1], seaward) << b;
  }
  // A river as clean as the sea: the steady state a hair below it. Still from 1 downwards.
  BayModel clean = Stepping(Case({{Q, "2.4"}}));
  EXPECT_EQ(clean.Convergence(), 1.0);
  clean.AdvanceTimeSteps(2000);
  EXPECT_LT(clean.Convergence(), 1e-3);
  // Sea and river at 0: there it has converged, anywhere else is infinitely far.
  BayModel zero = Stepping(Case({{S, "0"}, {Q, "0"}}));
  EXPECT_EQ(zero.Convergence(), 0.0);
  zero.Concentration[1][3] = 1e-3;
  EXPECT_EQ(zero.Convergence(), std::numeric_limits<double>::infinity());
}

// Late in a run only the slowest mode is left: the distance from the steady state shrinks
// by e every flushing time, which is shorter than the fresh water alone would take.
TEST(FlushingTime, IsTheTimeTheStepsTakeToShrinkTheRemainderByE) {
  for (const BayModel& c : {Case({}), Case({{A, "10"}, {M, "5"}}), Case({{A, "200"}, {M, "30"}})}) {
    BayModel m = Stepping(c);
    const double tau = m.FlushingTimeDays(), stepDays = m.TimeStepMinutes / 1440.0;
    const auto steps = static_cast<std::uint64_t>(2 * tau / stepDays);
    m.AdvanceTimeSteps(steps);
    const double early = Deviation(m);
    m.AdvanceTimeSteps(steps);
    const double measured = static_cast<double>(steps) * stepDays / std::log(early / Deviation(m));
    EXPECT_NEAR(measured / tau, 1.0, 1e-4) << m.BayArea << " tau " << tau;
    EXPECT_LT(tau, m.ResidenceTimeDays()) << m.BayArea;
  }
}

TEST(Stability, VerdictAndTheGrowthOfAnUnstableStep) {
  EXPECT_NEAR(GrowthFactor(kRungeKuttaStabilityLimit), 1.0, 1e-14);
  EXPECT_GT(GrowthFactor(kRungeKuttaStabilityLimit - 1e-6), 1.0);
  EXPECT_NEAR(Stepping(Case({})).DiagnoseStability().stepTimesEigenvalue, -0.4148, 1e-4);
  // A small bay, sea and river alike and far from 0, with the rule's step put back: the
  // deviation from the steady state grows by the growth factor of the fastest eigenvalue.
  BayModel m =
      Stepping(Case({{A, "10"}, {D, "4"}, {M, "9"}, {S, "1e6"}, {Q, "999990"}}, {0.5, 1, 1}));
  m.TimeStepMinutes = m.RuleTimeStepMinutes;
  const StabilityVerdict u = m.DiagnoseStability();
  EXPECT_FALSE(u.stable);
  m.AdvanceTimeSteps(15);
  const double before = Deviation(m);
  m.AdvanceTimeSteps(1);
  EXPECT_NEAR(Deviation(m) / before / GrowthFactor(u.stepTimesEigenvalue), 1, 1e-4);
}

// Each box's largest distance from the chain's own solution at the run's end, over the
// largest distance of that solution from the open sea.
double DistanceFromTheChain(const BayModel& m, std::uint64_t steps) {
  const auto c =
      test::ChainReference(m).At(static_cast<long double>(steps) * 60 * m.TimeStepMinutes);
  long double worst = 0, range = 0;
  for (int b = 1; b <= 5; ++b) {
    worst = std::max(worst, std::fabs(m.Concentration[1][b] - c[b - 1]));
    range = std::max(range, std::fabs(c[b - 1] - m.Concentration[1][6]));
  }
  return static_cast<double>(worst / range);
}

// Rule steps too long for the chain, run to the end: the figures of an independent calculation
// of the shortened step, the chain's own solution followed, and the message.
TEST(StableStep, ShortenedRunsMeetTheIndependentFigures) {
  // Conditions; rule step, step used, days, steps, bay mean; the mean as the message shows it.
  const std::tuple<BayModel, double, double, double, std::uint64_t, double, const char*> rows[] = {
      {Case({{A, "2.8757"}, {D, "4.003"}, {M, "9.616"}, {S, "9.6783"}, {Q, "0"}, {R, "21.94"}},
            {0.5, 2, 1}),
       102, 47, 61, 1869, 8.588480893116472, " 8.59"},
      {test::ModelOf(test::kUnstableCase), 72, 63, 6, 137, 7.9544116082759047, " 7.95"},
      // Ten residence times round to 0 days: the period is one day.
      {Case({{A, "1"}, {D, "1"}}), 70, 7, 1, 206, 9.2568655153166759, " 9.26"},
      // Within the real stability limit, but a one-day run of a few dozen steps would end far
      // from the chain's solution with the rule's step.
      {Case({{A, "2.05"}, {D, "4.68"}, {M, "1.43"}, {R, "829.1"}}, {1.2, 0.8, 1.2}), 39, 35, 1, 41,
       7.7635610296957438, " 7.76"},
      {Case({{A, "20"}, {D, "1"}, {R, "3000"}}), 35, 32, 1, 45, 9.8643893452849163, " 9.86"},
      {Case({{A, "5"}, {R, "10419.84680718535"}}, {0.5, 1.5, 2}), 23, 20, 1, 72, 14.768803854673758,
       " 14.77"},
  };
  for (auto [m, ruleStep, stepUsed, days, steps, bayMean, meanText] : rows) {
    const RunResult r = RunCase(m);
    EXPECT_EQ(std::tuple(r.status, m.RuleTimeStepMinutes, m.TimeStepMinutes, m.CalculationDays,
                         r.stepCount, m.BayAverage[1]),
              std::tuple(RunStatus::Completed, ruleStep, stepUsed, days, steps, bayMean));
    EXPECT_LT(DistanceFromTheChain(m, r.stepCount), 1e-4) << m.BayArea;
    const std::string rule = std::to_string(int(ruleStep)), used = std::to_string(int(stepUsed));
    EXPECT_EQ(RunResultMessage(m).text, "計算結果(湾内平均水質)\r" + std::string(meanText) +
                                            "(g/m3)\r計算を安定させるため、ﾀｲﾑｽﾃｯﾌﾟを " + rule +
                                            " 分から " + used + " 分に短くしました。");
  }
  // A 1 km2, 1 m bay with 0.1 km2 of mouth: no whole minute is stable, for the exchange.
  BayModel m = Case({{A, "1"}, {D, "1"}, {M, "50"}}, {2, 1, 1});
  const RunResult r = RunCase(m);
  EXPECT_EQ(std::tuple(r.status, r.exchangeTooFast, m.RuleTimeStepMinutes),
            std::tuple(RunStatus::ZeroTimeStep, true, 72.0));
}

// Two bays a hair either side of the target: the step times the fastest rate, worked out
// from the chain apart from the model, is 2.5006 for the first and 2.4997 for the second.
TEST(StableStep, ShortensExactlyWhereTheStepTimesTheFastestRatePassesTheTarget) {
  const std::tuple<BayModel, double, double> rows[] = {
      {Case({{A, "2"}, {M, "1.59"}}), 90, 89},
      {Case({{A, "3"}, {M, "2.02"}}), 104, 104},
  };
  for (auto [m, ruleStep, stepUsed] : rows) {
    test::PrepareRun(m);
    const long double fastest = -test::ChainReference(m).MostNegativeEigenvalue();
    EXPECT_EQ(std::pair(m.RuleTimeStepMinutes, m.TimeStepMinutes), std::pair(ruleStep, stepUsed));
    const long double product = 60 * ruleStep * fastest;
    EXPECT_NEAR(static_cast<double>(product), 2.5, 1e-3) << m.BayArea;
    EXPECT_EQ(stepUsed,
              product > 2.5L ? std::floor(static_cast<double>(2.5L / (60 * fastest))) : ruleStep);
  }
}

// Random small bays, drawn log-uniformly over the sizes where the mouth's exchange can outrun
// the rule's step, with every list entry: every finished run lies between the open sea and
// the river, and every box is close to the chain's own solution at the run's end.
TEST(StableStep, RandomSmallBaysFollowTheChainsOwnSolution) {
  std::mt19937_64 random(20261208);
  // Typed to five digits, drawn uniformly over the logarithms of the bounds or the bounds.
  auto draw = [&](double low, double high, bool logarithmic = true) {
    const auto f = [&](double x) { return logarithmic ? std::log(x) : x; };
    const double x = std::uniform_real_distribution<double>(f(low), f(high))(random);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.5g", logarithmic ? std::exp(x) : x);
    return std::string(buffer);
  };
  int finished = 0, shortened = 0;
  for (int i = 0; i < 300; ++i) {
    std::array<double, 3> factors{};
    for (std::size_t l = 0; l < 3; ++l) {
      const auto entries = MultiplierEntries(kLists[l]);
      factors[l] = LeadingNumber(entries[random() % entries.size()]);
    }
    BayModel m = Case({{A, draw(1, 316)},
                       {D, draw(1, 31.6)},
                       {M, draw(0.1, 20)},
                       {R, draw(10, 15850)},
                       {S, draw(0, 5, false)},
                       {Q, draw(0, 30, false)}},
                      factors);
    const RunResult r = RunCase(m);
    if (r.status != RunStatus::Completed) continue;
    ++finished;
    shortened += m.TimeStepReduced();
    const double sea = TextToNumber(m.OpenSeaQuality), river = m.ChangedInflowQuality[1];
    const double rounding = 1e-6 * std::max(sea, river);
    for (int b = 1; b <= 5; ++b) {
      EXPECT_GE(m.Concentration[1][b], std::min(sea, river) - rounding) << i << " box " << b;
      EXPECT_LE(m.Concentration[1][b], std::max(sea, river) + rounding) << i << " box " << b;
    }
    EXPECT_LT(DistanceFromTheChain(m, r.stepCount), 1e-4)
        << i << ": " << m.BayArea << " km2, " << m.MeanDepth << " m, " << m.MouthLength << " km, "
        << m.InflowRate << " m3/s";
  }
  // Both kinds of case were met: runs with the rule's step and runs with a shortened one.
  EXPECT_GT(finished - shortened, 150);
  EXPECT_GT(shortened, 50);
}

// A quality that overflows in the first steps is named with its value, and the series keeps
// the initial point, the only one due before; a run that ends before stepping keeps no points.
TEST(ValueTooLarge, AQualityBeyondSinglePrecisionIsNamedWithItsValue) {
  // Sea, river (x 2 for the quality multiplier), the quality named, its value, steps made.
  const std::tuple<const char*, const char*, LargeCondition, double, std::uint64_t> rows[] = {
      {"2.4", "5e37", LargeCondition::InflowQuality, 1e38, 1},
      {"1e37", "10", LargeCondition::OpenSeaQuality, 1e37, 2},
      {"2.4", "1e30", LargeCondition::None, 0, 12623}};  // large but within range: completes
  for (const auto& [sea, river, condition, value, steps] : rows) {
    BayModel m = Case({{S, sea}, {Q, river}}, {1, 2, 1});
    const RunResult r = RunCase(m);
    EXPECT_EQ(r.status, value ? RunStatus::ValueTooLarge : RunStatus::Completed) << river;
    EXPECT_EQ(std::tuple(r.tooLarge.condition, r.tooLarge.value, r.stepsDone),
              std::tuple(condition, value, steps));
    if (!value) continue;
    EXPECT_EQ(std::pair(m.Series.points.size(), m.Series.points.back().step),
              std::pair(std::size_t{1}, std::uint64_t{0}));
    m.AcceptBayArea("1e300");
    EXPECT_EQ(RunCase(m).status, RunStatus::NonFiniteCase);
    EXPECT_TRUE(m.Series.points.empty());
  }
}

// --- The time series a run records, and its CSV file.

// About two thousand points whatever the length: the default run's every seventh step.
TEST(TimeSeries, DefaultRunFromTheOpenSeaToTheFinalStateEverySeventhStep) {
  const std::pair<std::uint64_t, std::uint64_t> strides[] = {
      {0, 1}, {1, 1}, {2000, 1}, {2001, 2}, {4000, 2}, {4001, 3}, {12623, 7}};
  for (const auto& [steps, stride] : strides)
    EXPECT_EQ(SeriesStride(steps), stride) << steps;
  BayModel m = Case({});
  ASSERT_EQ(RunCase(m).status, RunStatus::Completed);
  const TimeSeries& s = m.Series;
  EXPECT_EQ(std::pair(s.openSea, s.timeStepMinutes), std::pair(2.4, 718.0));
  ASSERT_EQ(s.points.size(), 1805u);  // steps 0, 7, ..., 12621 and the last, 12623
  EXPECT_EQ(s.points[900].step, 6300u);
  EXPECT_EQ(std::memcmp(s.points.back().concentration.data(), &m.Concentration[1][1], 40), 0);
  // A point in between holds the state after exactly its number of steps.
  BayModel alone = Stepping(Case({}));
  alone.AdvanceTimeSteps(6300);
  EXPECT_EQ(std::memcmp(s.points[900].concentration.data(), &alone.Concentration[1][1], 40), 0);
  // The CSV file: a byte-order mark, the header, a row per point with step, day and boxes.
  const std::vector<std::string> rows = test::SplitCrLfLines(SeriesCsvText(s));
  ASSERT_EQ(rows.size(), s.points.size() + 1);
  EXPECT_EQ(rows[0],
            "\xEF\xBB\xBFステップ,経過日数(日),ボックス1 湾奥(g/m3),ボックス2(g/m3),"
            "ボックス3(g/m3),ボックス4(g/m3),ボックス5 湾口(g/m3)");
  EXPECT_EQ(rows[1], "0,0,2.4,2.4,2.4,2.4,2.4");
  EXPECT_EQ(rows.back().rfind("12623,6293.968055555555,", 0), 0u) << rows.back();
}

// The file's numbers in their shortest forms; a file that cannot be written says why (the
// message around the reason is pinned in test_messages).
TEST(SeriesCsv, WritesTheFileOrSaysWhyNot) {
  const std::string head = "\xEF\xBB\xBF" + std::string(kSeriesCsvHeader) + "\r\n";
  EXPECT_EQ(SeriesCsvText(TimeSeries{}), head);
  TimeSeries s;
  s.points.push_back({4179, 2083.6, {1e-300, 0.1, 123456789.125, 5e20, 0}});
  test::TempFolder folder;
  ASSERT_EQ(WriteSeriesCsv(folder.File("s.csv"), s), std::nullopt);
  EXPECT_EQ(test::ReadBytes(folder.File("s.csv")),
            head + "4179,2083.6,1e-300,0.1,123456789.125,5e+20,0\r\n");
  EXPECT_EQ(WriteSeriesCsv(folder.File("no-such-folder/s.csv"), s), "フォルダーが見つかりません");
}

// --- The load for a target mean.

double SteadyMean(const BayModel& m) {
  const std::array<double, 5> s = Stepping(m).SteadyState();
  return (s[0] + s[1] + s[2] + s[3] + s[4]) / 5;
}

// The quality found, typed into the case as a user would, brings the steady state to the
// target; the lowest mean is the one a river of quality 0 gives, and targets below it or too
// large are out of reach.
TEST(TargetLoad, TypedQualityBringsTheSteadyMeanToTheTargetWithinReach) {
  const std::pair<BayModel, double> rows[] = {
      {Case({}), 3.0},
      {Case({}, {0.5, 0.2, 2}), 2.9},
      {Case({{D, " 4"}, {M, " 2"}, {S, " 1.1"}, {R, " 57.5"}}), 5.0}};
  for (const auto& [conditions, target] : rows) {
    SCOPED_TRACE(target);
    const TargetLoad t = FindTargetLoadForCase(conditions, target);
    ASSERT_EQ(t.status, TargetStatus::Reachable);
    BayModel clean = conditions, typed = conditions;
    clean.AcceptInflowQuality(" 0");
    typed.AcceptInflowQuality(t.inflowQualityText);
    EXPECT_NEAR(Stepping(typed).LoadRate[1][1], t.load, 1e-7 * t.load);
    // The daily load is rounded to single precision: the excess over a clean river's to 2^-24.
    const double grid = std::ldexp(1.0, -24) * (1 + 1e-6);
    EXPECT_NEAR(SteadyMean(typed), target, (target - t.lowestReachableMean) * grid + 1e-13);
    const double head = Stepping(typed).SteadyState()[0];
    EXPECT_NEAR(t.steadyState[0], head, (head - Stepping(clean).SteadyState()[0]) * grid);
    EXPECT_NEAR(t.reductionPercent, 100 * (1 - t.load / Stepping(conditions).LoadRate[1][1]), 1e-9);
    EXPECT_NEAR(t.currentMean, SteadyMean(conditions), 1e-12 * t.currentMean);
  }
  // Out of reach, and a case without load.
  const double clean = SteadyMean(Case({{Q, " 0"}}));
  const TargetLoad below = FindTargetLoadForCase(Case({}), clean - 1e-6);
  EXPECT_EQ(below.status, TargetStatus::BelowCleanRiver);
  EXPECT_NEAR(below.lowestReachableMean, clean, 1e-12 * clean);
  EXPECT_EQ(FindTargetLoadForCase(Case({}), 1e36).status, TargetStatus::TooLarge);
  // With no load now there is no cut to speak of, but the target still has its quality.
  const TargetLoad t = FindTargetLoadForCase(Case({{Q, " 0"}}), 3.0);
  ASSERT_EQ(t.status, TargetStatus::Reachable);
  EXPECT_TRUE(std::isnan(t.reductionPercent));
}

TEST(TargetLoad, TypedTargetIsCheckedLikeAQualityBoxAndTheFiguresShownRounded) {
  for (const char* text : {" 3.5", "0", "1,000"})
    EXPECT_FALSE(FailedTargetText(text)) << text;
  for (const char* text : {"", "abc", "-1", "3..5", "3\x1b"}) {
    const std::optional<InputLimit> failed = FailedTargetText(text);
    ASSERT_TRUE(failed) << text;
    EXPECT_EQ(failed->title, "目標の湾内平均水質") << text;
    EXPECT_EQ(failed->message == "目標の湾内平均水質には 0 以上の数値を入力してください",
              text[1] != '\x1b')
        << text;
  }
  const std::tuple<double, double, const char*, const char*> rows[] = {
      // load, cut, texts
      {2800.0808775, 15.40541, " 2800.08", " 15.4"},
      {3310.0000001, -3e-9, " 3310", " 0"},  // matches to rounding: no increase
      {0.000123456789, -25.35, " .000123457", "-25.4（負荷を増やせます）"},
      {12828.485265, std::nan(""), " 12828.5", "―（現在の負荷が 0 です）"}};
  TargetLoad t;
  t.status = TargetStatus::Reachable;
  t.steadyState = {3.37710303, 3.19518078};
  for (const auto& [load, cut, loadText, cutText] : rows) {
    t.load = load;
    t.reductionPercent = cut;
    const TargetTexts texts = FormatTargetLoad(t);
    EXPECT_EQ(texts.load + "|" + texts.reduction + "|" + texts.steadyState[0] + "|" + texts.note,
              std::string(loadText) + "|" + cutText + "| 3.3771|");
  }
  // Out of reach: only the lowest mean, none of the figures left from before.
  t.status = TargetStatus::BelowCleanRiver;
  t.lowestReachableMean = 2.16235501;
  const TargetTexts below = FormatTargetLoad(t);
  EXPECT_EQ(below.load + below.note,
            "この目標は負荷を減らしても達成できません。流入負荷を 0 にしても湾内平均水質は 2.1624 "
            "g/m3 です。");
}

// --- The sweep: many cases at once, each exactly as its single run.

// The choice and every figure of the outcome against the single run of its case, to the bit.
void ExpectSameAsSingleRun(const CaseOutcome& o, const MultiplierChoice& choice,
                           const std::pair<BayModel, RunResult>& run) {
  const auto& [m, r] = run;
  const bool completed = r.status == RunStatus::Completed;
  const CaseStatus status = !completed               ? CaseStatus::Abandoned
                            : r.mouthVelocityWarning ? CaseStatus::Warning
                                                     : CaseStatus::Done;
  EXPECT_EQ(std::tuple(o.choice, o.runStatus, o.status, o.mouthVelocityWarning, o.steps,
                       o.stepsDone, o.timeStepMinutes, o.ruleTimeStepMinutes, o.timeStepReduced),
            std::tuple(choice, r.status, status, r.mouthVelocityWarning, r.stepCount, r.stepsDone,
                       m.TimeStepMinutes, m.RuleTimeStepMinutes, m.TimeStepReduced()));
  const Indicators i = m.ComputeIndicators();
  EXPECT_EQ(std::memcmp(&o.indicators, &i, sizeof i), 0);
  EXPECT_EQ(std::memcmp(o.concentrations.data(), &m.Concentration[1][1], 40), 0);
  // An abandoned run has no mean.
  const double mean = completed ? m.BayAverage[1] : std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(std::memcmp(&o.bayAverage, &mean, sizeof mean), 0) << o.bayAverage;
}

// Cases that end in different ways, with one to three workers, both versions of the stepping
// code, and a system that refuses threads; the progress counted in steps.
TEST(RunCases, EveryCaseAsItsSingleRunWhateverTheWorkersAndTheCode) {
  using enum RunStatus;
  // Conditions, the lists swept (bits: section 4, quality 2, quantity 1), how the cases end.
  const std::tuple<BayModel, int, std::set<RunStatus>> rows[] = {
      // All 448 cases; the model's own factors play no part.
      {Case({}, {2, 5, 1}), 7, {Completed}},
      // 300 m2 of mouth: the step count varies, so the lanes are refilled at different times;
      // the mouth-velocity warning for some.
      {Case({{D, "1"}, {M, "0.3"}}), 5, {Completed}},
      {Case({{A, "2.8757"}, {D, "4.003"}, {M, "9.616"}}), 6, {Completed}},  // shortened steps
      {Case({{Q, "1e34"}}), 2, {Completed, ValueTooLarge}},
      {test::ModelOf(test::kZeroStepCase), 1, {Completed, ZeroTimeStep}},
      {Case({{A, "1e300"}}), 2, {NonFiniteCase}},
      {Case({{A, "1e8"}, {D, "1000"}, {R, "1e-6"}}), 4, {TooManySteps}},
      {Case({{A, "1"}, {D, "1"}, {M, "7"}}), 1, {Completed}},  // a one-day period
  };
  for (const auto& [conditions, swept, ends] : rows) {
    const std::vector<MultiplierChoice> choices =
        SweepChoices(conditions, swept & 4, swept & 2, swept & 1);
    std::vector<std::pair<BayModel, RunResult>> runs;
    std::set<RunStatus> reasons;
    std::uint64_t steps = 0;
    for (const MultiplierChoice& c : choices) {
      auto& [m, r] = runs.emplace_back(conditions, RunResult{});
      for (std::size_t i = 0; i < 3; ++i)
        SetMultiplier(m, kLists[i],
                      *MultiplierFactor(kLists[i], MultiplierEntries(kLists[i])[c[i]]));
      r = RunCase(m);
      reasons.insert(r.status);
      steps += r.stepCount;
    }
    EXPECT_EQ(reasons, ends) << conditions.BayArea;
    // Threads asked for, the stepping code, the start the system refuses (-1: none, the
    // platform's own starter; 0: every one, so the calling thread does all the work).
    const std::tuple<unsigned, bool, int> workers[] = {
        {1, false, -1}, {1, true, -1}, {2, false, -1}, {2, true, -1},
        {3, false, -1}, {3, true, -1}, {2, true, 0},   {3, false, 2}};
    for (const auto& [threads, avx2, refused] : workers) {
      SCOPED_TRACE(::testing::Message() << conditions.BayArea << " threads " << threads << " avx2 "
                                        << avx2 << " refused " << refused);
      std::uint64_t last = 0, total = steps;  // as the last call gives them
      const auto progress = [&](std::uint64_t done, std::uint64_t all) {
        EXPECT_GE(done, last);
        last = done, total = all;
        return true;
      };
      test::RefusingStarter starter(refused);
      const std::vector<CaseOutcome> outcomes = RunCases(
          conditions, choices, {threads, progress, avx2, refused < 0 ? nullptr : &starter});
      ASSERT_EQ(outcomes.size(), choices.size());
      for (std::size_t i = 0; i < choices.size(); ++i)
        ExpectSameAsSingleRun(outcomes[i], choices[i], runs[i]);
      EXPECT_EQ(total, steps);
      EXPECT_LE(last, steps);
    }
  }
}

// A stop from the progress callback cancels every unfinished case, and nothing is asked after
// it; an exception from it reaches the caller. It is asked on the calling thread, which steps
// the cases itself, between its blocks, when no thread can be had; a system that has refused
// one thread is not asked for another.
TEST(RunCases, AStopOrAnExceptionFromTheProgressEndsTheSweepWhateverTheThreads) {
  const BayModel conditions = test::ModelOf(test::kLongCase);  // millions of steps a case
  const std::vector<MultiplierChoice> choices = SweepChoices(conditions, false, true, false);
  const std::thread::id caller = std::this_thread::get_id();
  // Threads, the start refused (-1: none, the platform's starter), the call that stops, and
  // the starts asked for.
  const std::tuple<unsigned, int, std::size_t, int> rows[] = {
      {2, -1, 1, 0}, {2, 0, 3, 1}, {3, 2, 3, 2}};
  for (const auto& [threads, refused, stopAt, asked] : rows) {
    SCOPED_TRACE(::testing::Message() << threads << " threads, refused " << refused);
    std::vector<std::uint64_t> calls;
    test::RefusingStarter starter(refused);
    SweepControl control{.threads = threads,
                         .progress =
                             [&](std::uint64_t done, std::uint64_t) {
                               EXPECT_EQ(std::this_thread::get_id(), caller);
                               calls.push_back(done);
                               return calls.size() < stopAt;
                             },
                         .threadStarter = refused < 0 ? nullptr : &starter};
    const std::vector<CaseOutcome> outcomes = RunCases(conditions, choices, control);
    ASSERT_EQ(calls.size(), stopAt) << "no call after the one that stopped the sweep";
    // Asked as the calling thread's work goes.
    EXPECT_TRUE(refused != 0 || (0 < calls[0] && calls[0] < calls[1] && calls[1] < calls[2]));
    EXPECT_EQ(starter.asked, asked);
    ASSERT_EQ(outcomes.size(), choices.size());
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
      const CaseOutcome& o = outcomes[i];
      EXPECT_EQ(std::tuple(o.choice, o.status, o.runStatus, o.stepsDone, std::isnan(o.bayAverage)),
                std::tuple(choices[i], CaseStatus::Abandoned, RunStatus::Cancelled, 0u, true));
    }
    control.progress = [](std::uint64_t, std::uint64_t) -> bool { throw std::runtime_error("x"); };
    EXPECT_THROW(RunCases(conditions, choices, control), std::runtime_error);
  }
}

// Near the end of single precision the four larger quality factors overflow in the first
// step; as soon as any progress shows, those cases count in full.
TEST(RunCases, ACaseThatEndsEarlyCountsInFull) {
  const BayModel large = Case({{Q, "7e36"}, {R, "0.5"}});
  std::uint64_t done = 0, all = 0;
  const std::vector<CaseOutcome> some =
      RunCases(large, SweepChoices(large, false, true, false),
               {.threads = 1, .progress = [&](std::uint64_t d, std::uint64_t a) {
                  done = d, all = a;
                  return d == 0;  // stop at the first progress there is
                }});
  EXPECT_EQ(std::count_if(some.begin(), some.end(),
                          [](const auto& o) { return o.runStatus == RunStatus::ValueTooLarge; }),
            4);
  EXPECT_GE(done, 4 * (all / 8));
  EXPECT_LT(done, all);
}

TEST(SweepChoices, CountsOrderTheListsNotNamedAndEntriesOutsideTheirLists) {
  BayModel conditions = Case({}, {1.5, 0.2, 5});  // entries 5, 1 (in single precision) and 7
  const std::vector<MultiplierChoice> all = SweepChoices(conditions, true, true, true);
  EXPECT_EQ(std::set(all.begin(), all.end()).size(), 448u);
  EXPECT_EQ(all[1], (MultiplierChoice{0, 0, 1}));   // the quantity list varies fastest
  EXPECT_EQ(all[64], (MultiplierChoice{1, 0, 0}));  // the section list slowest
  EXPECT_EQ(all.back(), (MultiplierChoice{6, 7, 7}));
  EXPECT_EQ(SweepChoices(conditions, false, false, false),
            (std::vector<MultiplierChoice>{{5, 1, 7}}));
  // A factor that is none of its list's entries can only be swept.
  conditions.SectionFactor = 3.0;
  EXPECT_EQ(CurrentEntry(conditions, MultiplierList::Section), std::nullopt);
  EXPECT_THROW(SweepChoices(conditions, false, true, true), std::invalid_argument);
  EXPECT_EQ(SweepChoices(conditions, true, false, false).size(), 7u);
  // An entry outside its list stops a sweep before it runs anything.
  for (const MultiplierChoice& bad : {MultiplierChoice{7, 0, 0}, {0, 8, 0}, {0, 0, -1}})
    EXPECT_THROW(RunCases(conditions, std::vector<MultiplierChoice>{{0, 0, 0}, bad}),
                 std::out_of_range);
}

TEST(ChainLanes, CaseWithOneSidedExchangeIsRefused) {
  const ChainCase good = ChainCaseOf(Stepping(Case({})));
  EXPECT_TRUE(ChainLanes::Fits(good));
  ChainLanes lanes;
  for (int b = 2; b <= 5; ++b) {
    ChainCase c = good;
    c.landExchange[b] = std::nextafter(c.landExchange[b], 0.0);
    EXPECT_THROW(lanes.Load(0, c), std::invalid_argument) << b;
  }
}

}  // namespace
}  // namespace kurimo
