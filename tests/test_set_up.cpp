// Clearing the arrays and setting up a case: SI values, eddy diffusivity, the warning, the
// time step, the period, the chain, the initial state and the river load.
#include <gtest/gtest.h>

#include <cmath>

#include "case_inputs.h"
#include "test_helpers.h"

namespace kurimo {
namespace {

using test::DefaultSetUp;
using test::RecordingObserver;

TEST(SetUpCase, DefaultCaseGivesTheWorkedValues) {
  const BayModel m = DefaultSetUp();
  EXPECT_EQ(m.BayVolumeM3, 1.8e10);  // 18 km3
  EXPECT_EQ(m.BayAreaM2, 1e9);
  EXPECT_EQ(m.MouthArea, 126000.00202655792);
  EXPECT_EQ(m.BayLength, 31622.776601683792);
  EXPECT_EQ(m.BayLengthSingle, 31622.77734375f);
  EXPECT_EQ(m.EddyDiffusivity, 4641589.0f);
  EXPECT_EQ(m.ChangedInflowRate, 331.0);
  EXPECT_EQ(m.TimeStepMinutes, 718.0);
  EXPECT_EQ(m.CalculationDays, 6294.0);
  EXPECT_EQ(m.DailyLoad[1][1], 285984.0);
  EXPECT_EQ(m.ChangedInflowQuality[1], 10.0);
  EXPECT_EQ(m.ConstituentCount, 1);
  EXPECT_EQ(m.BayBoxCount, 5);
  EXPECT_EQ(m.BoxCount, 6);
  EXPECT_EQ(m.ChainBoxCount, 6);
  for (int b = 1; b <= 6; ++b)
    EXPECT_EQ(m.Concentration[1][b], 2.4) << "box " << b;
  for (int b = 2; b <= 12; ++b)
    EXPECT_EQ(m.DailyLoad[1][b], 0.0) << "box " << b;
}

TEST(SetUpCase, ChainListsLandwardNeighbourFirst) {
  const BayModel m = DefaultSetUp();
  const int expected[7][3] = {{0, 0, 0}, {1, 2, 0}, {2, 1, 3}, {2, 2, 4},
                              {2, 3, 5}, {2, 4, 6}, {1, 5, 0}};
  for (int b = 1; b <= 6; ++b) {
    SCOPED_TRACE(b);
    EXPECT_EQ(m.NeighbourCount[b], expected[b][0]);
    EXPECT_EQ(m.Neighbour[b][1], expected[b][1]);
    EXPECT_EQ(m.Neighbour[b][2], expected[b][2]);
  }
}

// Sets the mouth so that MouthArea is exactly `mouthAreaM2` and the inflow text `rate`.
BayModel WithMouthAndRate(float mouthSectionKm2, const char* rate) {
  BayModel m;
  m.LoadDefaultCase();
  m.AcceptInflowRate(rate);
  m.MouthSection = mouthSectionKm2;
  return m;
}

TEST(SetUpCase, MouthVelocityWarningOnlyAboveOneMetrePerSecond) {
  // 0.5 km2 is exact in single precision, so the mouth is exactly 500000 m2.
  BayModel atLimit = WithMouthAndRate(0.5f, "500000");
  RecordingObserver quiet;
  atLimit.InitialiseModelArrays();
  EXPECT_FALSE(atLimit.SetUpCase(quiet));
  EXPECT_TRUE(quiet.warnings.empty());

  BayModel above = WithMouthAndRate(0.5f, "500001");
  RecordingObserver warned;
  above.InitialiseModelArrays();
  EXPECT_TRUE(above.SetUpCase(warned));
  ASSERT_EQ(warned.warnings.size(), 1u);
  EXPECT_EQ(warned.warnings[0],
            "流量等の入力制限|流入水流量を小さくするか湾口部断面積を大きくしてください");
  // The warning changes nothing: the values are those of the same case without it.
  EXPECT_EQ(above.ChangedInflowRate, 500001.0);
  EXPECT_EQ(above.MouthArea, 500000.0);
}

BayModel SetUpWithArea(const char* area) {
  BayModel m;
  m.LoadDefaultCase();
  m.AcceptBayArea(area);
  test::PrepareRun(m);
  return m;
}

TEST(SetUpCase, LengthScaleStopsAt200Kilometres) {
  const BayModel large = SetUpWithArea("50000");
  const BayModel limit = SetUpWithArea("40000");
  EXPECT_EQ(large.BayLength, 200000.0);
  EXPECT_EQ(limit.BayLength, 200000.0);
  EXPECT_EQ(large.EddyDiffusivity, 54288352.0f);
  EXPECT_EQ(limit.EddyDiffusivity, 54288352.0f);
  // The diffusive limit, about 2456 minutes, decides for both.
  EXPECT_EQ(large.TimeStepMinutes, limit.TimeStepMinutes);
  EXPECT_NEAR(large.TimeStepMinutes, 2456, 1);
}

TEST(SetUpCase, SmallestBay) {
  const BayModel m = SetUpWithArea("1");
  EXPECT_EQ(m.BayLength, 1000.0);
  EXPECT_EQ(m.EddyDiffusivity, 46415.88671875f);
  // The diffusive limit is 71.81449... minutes; the advective one is far longer here. The
  // 7 km mouth's exchange is too fast for it on so small a bay, so the step is shortened.
  EXPECT_EQ(m.RuleTimeStepMinutes, 72.0);
  EXPECT_LT(m.TimeStepMinutes, 72.0);
}

TEST(SetUpCase, QuantityMultiplierChangesTheStepButNotThePeriod) {
  BayModel m;
  m.LoadDefaultCase();
  SetMultiplier(m, MultiplierList::Quantity, 0.2);
  test::PrepareRun(m);
  EXPECT_EQ(m.CalculationDays, 6294.0);
  EXPECT_EQ(m.ChangedInflowRate, 331.0 * 0.2);
  EXPECT_EQ(m.DailyLoad[1][1], (10.0 * (331.0 * 0.2)) * 86.4);
}

TEST(SetUpCase, QualityMultiplierEntersInSinglePrecision) {
  BayModel m;
  m.LoadDefaultCase();
  SetMultiplier(m, MultiplierList::Quality, 0.2);
  test::PrepareRun(m);
  EXPECT_EQ(m.ChangedInflowQuality[1], 10.0 * 0.20000000298023224);
}

TEST(InitialiseModelArrays, ClearsWhatTheRunWroteAndKeepsTheRest) {
  BayModel m = DefaultSetUp();
  m.Concentration[3][12] = 5;
  m.StepIncrement[1][3] = 1;
  m.InitialiseModelArrays();
  EXPECT_EQ(m.FlowRate[1][2], 0.0);
  EXPECT_EQ(m.Neighbour[1][1], 0);
  EXPECT_EQ(m.Concentration[1][6], 0.0);
  EXPECT_EQ(m.Concentration[3][12], 0.0);
  EXPECT_EQ(m.StepIncrement[1][3], 0.0f);
  EXPECT_EQ(m.ExchangeCoefficient[5][6], 0.0f);
  EXPECT_EQ(m.UpwindWeight[2][1], 0.0f);
  EXPECT_EQ(m.BoxVolume[1], 3.6e9);  // written by every set-up, so not cleared
}

}  // namespace
}  // namespace kurimo
