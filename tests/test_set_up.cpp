// The case from the boxes to the first steps: box checks, the values the boxes show, the
// set-up, load rates, and the Runge-Kutta step, general and unrolled, agreeing bit for bit.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <sstream>

#include "case_inputs.h"
#include "four_thirds_power.h"
#include "named_cases.h"
#include "number_text.h"
#include "test_helpers.h"

namespace kurimo {
namespace {

using namespace std::string_view_literals;
using enum ConditionBox;

std::string Shown(const std::optional<InputLimit>& limit) {
  return limit ? std::string(limit->message) + "|" + std::string(limit->title) : "passes";
}

// Both the leading number and the whole value must meet the bound ("1,000" passes on 1 and
// 1000, "1,000e-4" fails on 0.1); a control character has its own message.
TEST(InputCheck, BoundsMessagesAndTitlesPerBox) {
  constexpr std::string_view kControl =
      "入力に制御文字（改行や ESC など）が含まれています。数値だけを入力してください。";
  // clang-format off
  const std::tuple<ConditionBox, std::vector<std::string_view>, std::vector<std::string_view>,
                   std::string_view> rows[] = {
      {BayArea, {"1", "1,000", "1,000e-3"}, {"0.5", "", "1,0,0", "1,000e-4", "０．５"},
       "湾面積は1km2以上にしてください。|湾面積の入力制限"},
      {MeanDepth, {"1", "　１２．５　"}, {"0.99", "1,000e-5"},
       "水深は1m以上にしてください|水深の入力制限"},
      {MouthLength, {"0.001"}, {"0", "－1"},
       "湾口部長さは0にしないでください|湾口部長さの入力制限"},
      {OpenSeaQuality, {"0", "0,500"}, {"-0.1", "-0,500", "0,5", "2.4x"},
       "数値を入力してください|外海水の水質"},
      {InflowQuality, {"0", "\t10\t"}, {"-0,500"}, "数値を入力してください|流入水の水質"},
      {InflowRate, {"0.5", "０．５"}, {"0"}, "流入水の流量は0にしないでください|流量の入力制限"}};
  // clang-format on
  for (const auto& [box, passing, failing, shown] : rows) {
    for (std::string_view text : passing)
      EXPECT_EQ(Shown(FailedInputLimit(box, text)), "passes") << text;
    for (std::string_view text : failing)
      EXPECT_EQ(Shown(FailedInputLimit(box, text)), shown);
    for (std::string_view text : {"10\0"sv, "\x1B[2J18"sv, "7\n"sv, "2.4\r"sv, "1\x7F"sv})
      EXPECT_EQ(Shown(FailedInputLimit(box, text)),
                std::string(kControl) + std::string(shown.substr(shown.find('|'))));
  }
}

// The computed boxes, joined by "|": the volume, changed section, changed load (all digits),
// and the residence time, closedness and load per volume (rounded).
TEST(Conditions, EditsAndPicksChangeTheComputedBoxes) {
  EXPECT_EQ(JoinedEntries(MultiplierList::Quantity), "1.0, 0.2, 0.5, 0.8, 1.2, 1.5, 2.0, 5.0");
  EXPECT_EQ(test::ModelOf({"", {{OpenSeaQuality, "3"}}}).BayAverageQuality, "3");
  // Texts typed one after the other; section, quality and quantity multipliers; the boxes.
  // clang-format off
  const std::tuple<std::vector<std::pair<ConditionBox, std::string_view>>, double, double, double,
                   std::string> rows[] = {
      {{{BayArea, "5"}, {BayArea, "500"}}, 1, 1, 1, " 9| .126| 3310| 314.7| 3.19| .032"},
      {{{MeanDepth, "20"}}, 1, 1, 1, " 20| .14| 3310| 699.3| 4.52| .014"},  // the mouth as deep
      {{{MouthLength, "10"}}, 1, 1, 1, " 18| .18| 3310| 629.4| 3.16| .016"},
      {{{InflowRate, "100"}, {InflowQuality, "2"}}, 1, 1, 1, " 18| .126| 200| 2083.3| 4.52| .001"},
      {{}, 0.5, 1, 1, " 18| .063| 3310| 629.4| 9.04| .016"},
      {{}, 1, 1, 2, " 18| .126| 6620| 314.7| 4.52| .032"},
      {{}, 1, 0.2, 1, " 18| .126| 662.000009864569| 629.4| 4.52| .003"},  // single precision
      {{}, 1, 1.2, 1.5, " 18| .126| 5958.00023674965| 419.6| 4.52| .029"}};
  // clang-format on
  for (const auto& [texts, section, quality, quantity, shown] : rows) {
    BayModel m = test::ModelOf({"", texts});
    SetMultiplier(m, MultiplierList::Section, section);
    SetMultiplier(m, MultiplierList::Quality, quality);
    SetMultiplier(m, MultiplierList::Quantity, quantity);
    const Indicators i = m.ComputeIndicators();
    EXPECT_EQ(NumberToText(m.BayVolume) + "|" + NumberToText(i.changedMouthSection) + "|" +
                  NumberToText(m.ChangedInflowLoad()) + "|" + NumberToText(i.residenceTime) + "|" +
                  NumberToText(i.closedness) + "|" + NumberToText(i.loadPerVolume),
              shown);
  }
}

// One constituent, five bay boxes, six in all and in the chain 1-2-3-4-5-6 (open sea), each
// box's neighbours landward first. Its coefficients are checked through the first step.
TEST(SetUpCase, DefaultCaseGivesTheChainItsLoadRatesAndItsFirstStep) {
  BayModel m = test::ModelOf(test::kDefaultCase);
  test::PrepareRun(m);
  std::ostringstream chain;
  chain << m.ConstituentCount << m.BayBoxCount << m.BoxCount << m.ChainBoxCount;
  for (int b = 1; b <= 6; ++b) {
    chain << " " << b << ":";
    for (int k = 1; k <= m.NeighbourCount[b]; ++k)
      chain << m.Neighbour[b][k];
    EXPECT_EQ(m.Concentration[1][b], 2.4) << b;
    EXPECT_EQ(m.BoxVolume[b], b <= 5 ? 3.6e9 : 0.0) << b;
    EXPECT_EQ(m.DailyLoad[1][b], b == 1 ? 285984.0 : 0.0) << b;
  }
  EXPECT_EQ(chain.str(), "1566 1:2 2:13 3:24 4:35 5:46 6:5");
  // Clearing the arrays keeps only what every set-up writes.
  BayModel c = m;
  c.AdvanceTimeStep();
  c.Concentration[3][12] = 5;
  c.InitialiseModelArrays();
  for (double value : {c.FlowRate[1][2], c.Concentration[3][12], double{c.StepIncrement[1][5]},
                       double{c.ExchangeCoefficient[5][6]}, static_cast<double>(c.Neighbour[1][1])})
    EXPECT_EQ(value, 0.0);
  EXPECT_EQ(c.BoxVolume[1], 3.6e9);
  // Kilograms a day to grams a second through single precision. A change travels one box per
  // stage, so box 5 does not move in the first step; the other increments are known to about
  // eight digits. A box without volume is skipped; a concentration at or below zero becomes +0.
  BayModel loads = m;
  loads.DailyLoad[1][2] = 86.4;  // half of it removed, rounded to single precision, then g/s
  loads.RemovalPercent[1] = 50;
  loads.ComputeLoadRates();
  EXPECT_EQ(loads.LoadRate[1][1], 1655.0);
  EXPECT_EQ(loads.LoadRate[1][2], 0.5000000088303177);
  m.ComputeLoadRates();
  BayModel skipped = m;
  m.AdvanceTimeStep();
  const double expected[] = {0.028498577, 0.0015462803, 0.0000566001, 0.0000018887135, 0};
  for (int b = 1; b <= 5; ++b) {
    EXPECT_NEAR(m.StepIncrement[1][b], expected[b - 1], expected[b - 1] * 1e-7) << b;
    EXPECT_EQ(m.Concentration[1][b], 2.4 + static_cast<double>(m.StepIncrement[1][b])) << b;
  }
  skipped.BoxVolume[3] = 0;
  skipped.Concentration[1][3] = -1;
  skipped.AdvanceTimeStep();
  EXPECT_EQ(skipped.StepIncrement[1][3], 0.0f);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(skipped.Concentration[1][3]), 0u);
  EXPECT_FALSE(skipped.UsesStandardChain());
}

// The length scale stops at 200 km, a step too long for the chain's exchange is shortened (the
// one-day period and more shortened steps in test_analysis), and the mouth-velocity warning
// comes only above 1 m/s. Columns after the warnings: length, eddy diffusivity, the rule's step,
// the step, days, daily load, flow, mouth and landward distance; a 0 is not checked.
TEST(SetUpCase, CasesGiveTheirWorkedValues) {
  const auto q = MultiplierList::Quantity;
  // clang-format off
  const std::tuple<std::vector<std::pair<ConditionBox, std::string_view>>, MultiplierList, double,
                   std::size_t, std::vector<double>> rows[] = {
      {test::kUnstableCase.texts, q, 1, 0, {1000, 46415.88671875, 72, 63, 6, 0, 0, 0, 0}},
      {{{BayArea, "50000"}}, q, 1, 0, {200000, 54288352, 2456, 2456, 314703, 0, 0, 0, 0}},
      {{}, q, 0.2, 0, {0, 0, 718, 718, 6294, 57196.8, 66.2, 126000.00202655792, 6324.5556640625}},
      {{}, MultiplierList::Section, 2, 0, {0, 0, 0, 0, 0, 0, 331, 252000.00405311584, 0}},
      {{}, MultiplierList::Quality, 0.2, 0, {0, 0, 0, 0, 0, 57196.800852298744, 0, 0, 0}},
      {{{MeanDepth, "1"}, {MouthLength, "500"}, {InflowRate, "500000"}}, q, 1, 0,  // 1 m/s
       {0, 0, 0, 0, 0, 0, 500000, 500000, 0}},
      {{{MeanDepth, "1"}, {MouthLength, "500"}, {InflowRate, "500001"}}, q, 1, 1,
       {0, 0, 0, 0, 0, 0, 500001, 500000, 0}}};
  // clang-format on
  for (const auto& [texts, list, factor, warnings, want] : rows) {
    BayModel m = test::ModelOf({"", texts});
    SetMultiplier(m, list, factor);
    test::RecordingObserver observer;
    m.InitialiseModelArrays();
    EXPECT_EQ(m.SetUpCase(observer), warnings == 1);
    EXPECT_EQ(observer.warnings.size(), warnings);
    const double got[] = {m.BayLength,       m.EddyDiffusivity, m.RuleTimeStepMinutes,
                          m.TimeStepMinutes, m.CalculationDays, m.DailyLoad[1][1],
                          m.FlowRate[1][2],  m.MouthArea,       m.InterfaceDistance[3][2]};
    for (std::size_t k = 0; k < 9; ++k)
      EXPECT_EQ(want[k] == 0 ? 0 : got[k], want[k]) << "column " << k << " " << texts.size();
  }
}

// The eddy diffusivity's power, against values worked out to 80 digits and rounded once:
// perfect cubes, the default bay's length scale, and lengths where a C library's pow may
// round the other way.
TEST(FourThirdsPower, IsTheCorrectlyRoundedPowerOfTheDoubleNearestFourThirds) {
  const std::pair<double, double> rows[] = {
      {1.0, 1.0},
      {8.0, 15.999999999999998},  // 16 x 8^(-2^-52/3): the exponent is a hair below 4/3
      {100.0, 464.15888336127773},
      {1e6, 99999999.9999999},
      {3162277.660168379, 464158883.36127734},  // the default bay, 31622.77... m in cm
      {3162277.6601683795, 464158883.3612774},
      {2e7, 5428835233.189806},  // the 200 km cap
      {205.71303746074946, 1214.364573418437},
      {244283.78717441973, 15270720.40951073},
      {23421.9981577695, 670139.5607242965},
      {1846449.5400925132, 226525236.0455284},
      {0.001, 0.00010000000000000006},
      {1e100, 2.1544346900318472e+133},
      {0.0, 0.0},
      {HUGE_VAL, HUGE_VAL},
  };
  for (const auto& [x, power] : rows)
    EXPECT_EQ(FourThirdsPower(x), power) << x;
  EXPECT_TRUE(std::isnan(FourThirdsPower(-1.0)));
  EXPECT_TRUE(std::isnan(FourThirdsPower(std::nan(""))));
}

// Over random cases of ordinary size, at the rule's step (before the set-up shortens it, so
// unstable for some, which blow up at the same step both ways), and first over a sea of "-0"
// (a negative zero that passes the open-sea check) with and without a load, where zeros are
// where the two ways differ most.
TEST(AdvanceTimeSteps, MatchesTheGeneralStepBitForBit) {
  std::mt19937_64 random(20261207);
  // Spread over orders of magnitude, so that small bays with wide mouths come up too.
  auto pick = [&random](double low, double high) {
    std::uniform_real_distribution<double> e(std::log10(low), std::log10(high));
    return std::to_string(std::pow(10.0, e(random)));
  };
  const std::tuple<ConditionBox, double, double> ranges[] = {
      {BayArea, 1, 60000},       {MeanDepth, 1, 80},        {MouthLength, 0.05, 40},
      {OpenSeaQuality, 0.01, 8}, {InflowQuality, 0.01, 50}, {InflowRate, 0.5, 3000}};
  const double factors[] = {1.0, 0.2, 0.5, 0.8, 1.2, 1.5, 2.0};
  int compared = 0, diverged = 0;
  for (int trial = -2; trial < 300; ++trial) {
    BayModel m = test::ModelOf({"", {{OpenSeaQuality, "-0"}, {InflowQuality, "10"}}});
    if (trial == -1) m.AcceptInflowQuality("0");
    if (trial >= 0) {
      for (auto [box, low, high] : ranges)
        AcceptConditionText(m, box, pick(low, high));
      for (auto list : {MultiplierList::Section, MultiplierList::Quality, MultiplierList::Quantity})
        SetMultiplier(m, list, factors[random() % 7]);
    }
    test::PrepareRun(m);
    m.ComputeLoadRates();
    m.TimeStepMinutes = m.RuleTimeStepMinutes;
    if (m.TimeStepMinutes == 0) continue;
    SCOPED_TRACE(::testing::Message() << "trial " << trial << " area " << m.BayArea);
    ASSERT_TRUE(m.UsesStandardChain());
    BayModel chain = m;
    const SteppingResult g = m.AdvanceGeneralTimeSteps(400), c = chain.AdvanceTimeSteps(400);
    ASSERT_EQ(std::pair(c.stepsMade, c.diverged), std::pair(g.stepsMade, g.diverged));
    ++(c.diverged ? diverged : compared);
    // Bit for bit, so that a zero's sign counts too.
    EXPECT_TRUE(c.diverged ||
                !std::memcmp(chain.Concentration, m.Concentration, sizeof m.Concentration));
    EXPECT_TRUE(c.diverged ||
                !std::memcmp(chain.StepIncrement, m.StepIncrement, sizeof m.StepIncrement));
  }
  // Both kinds of case must have been met for the comparison to mean something.
  EXPECT_GT(compared, 100);
  EXPECT_GT(diverged, 5);
}

}  // namespace
}  // namespace kurimo
