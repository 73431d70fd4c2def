// The coefficients of the chain's interfaces: volumes, areas, distances, upwind weights,
// flows and exchange coefficients.
#include <gtest/gtest.h>

#include <cstdlib>

#include "case_inputs.h"
#include "test_helpers.h"

namespace kurimo {
namespace {

using test::DefaultSetUp;

bool AreNeighbours(int b, int n) {
  return std::abs(b - n) == 1 && b >= 1 && n >= 1 && b <= 6 && n <= 6;
}

TEST(BoxNetwork, DefaultCaseGivesTheWorkedValues) {
  const BayModel m = DefaultSetUp();
  for (int b = 1; b <= 5; ++b)
    EXPECT_EQ(m.BoxVolume[b], 3.6e9) << b;
  for (int b = 1; b <= 12; ++b) {
    for (int n = 1; n <= 12; ++n) {
      SCOPED_TRACE(::testing::Message() << "(" << b << ", " << n << ")");
      if (AreNeighbours(b, n)) {
        EXPECT_EQ(m.InterfaceArea[b][n], 126000.00202655792);
        EXPECT_EQ(m.ExchangeCoefficient[b][n], 9247.1357421875f);
        EXPECT_EQ(m.InterfaceDiffusivity[b][n], 4641589.0f);
        EXPECT_EQ(m.FlowRate[b][n], n > b ? 331.0 : -331.0);
        EXPECT_EQ(m.InterfaceDistance[b][n], n > b ? 0.0 : 6324.5556640625);
        // The landward box's concentration crosses the interface.
        EXPECT_EQ(m.UpwindWeight[b][n], n > b ? 0.0f : 1.0f);
        EXPECT_EQ(m.UpwindWeight[b][n] + m.UpwindWeight[n][b], 1.0f);
      } else {
        EXPECT_EQ(m.InterfaceArea[b][n], 0.0);
        EXPECT_EQ(m.FlowRate[b][n], 0.0);
        EXPECT_EQ(m.UpwindWeight[b][n], 0.0f);
        EXPECT_EQ(m.ExchangeCoefficient[b][n], 0.0f);
      }
    }
  }
}

BayModel SetUpEdited(void (*edit)(BayModel&)) {
  BayModel m;
  m.LoadDefaultCase();
  edit(m);
  test::PrepareRun(m);
  return m;
}

TEST(BoxNetwork, EachConditionChangesOnlyItsCoefficients) {
  const BayModel base = DefaultSetUp();
  const BayModel quantity =
      SetUpEdited([](BayModel& m) { SetMultiplier(m, MultiplierList::Quantity, 2.0); });
  EXPECT_EQ(quantity.FlowRate[1][2], 662.0);
  EXPECT_EQ(quantity.FlowRate[6][5], -662.0);
  EXPECT_EQ(quantity.InterfaceArea[1][2], base.InterfaceArea[1][2]);
  EXPECT_EQ(quantity.ExchangeCoefficient[1][2], base.ExchangeCoefficient[1][2]);

  const BayModel section =
      SetUpEdited([](BayModel& m) { SetMultiplier(m, MultiplierList::Section, 2.0); });
  EXPECT_EQ(section.InterfaceArea[3][4], 2 * base.InterfaceArea[3][4]);
  EXPECT_NEAR(section.ExchangeCoefficient[3][4], 2 * base.ExchangeCoefficient[3][4], 1e-3);
  EXPECT_EQ(section.FlowRate[3][4], base.FlowRate[3][4]);

  const BayModel area = SetUpEdited([](BayModel& m) { m.AcceptBayArea("4000"); });
  EXPECT_EQ(area.InterfaceArea[2][3], base.InterfaceArea[2][3]);
  EXPECT_EQ(area.BoxVolume[2], 4 * base.BoxVolume[2]);
  EXPECT_EQ(area.InterfaceDistance[3][2], static_cast<double>(area.BayLengthSingle / 5.0f));
  EXPECT_NE(area.InterfaceDistance[3][2], base.InterfaceDistance[3][2]);
  EXPECT_NE(area.ExchangeCoefficient[2][3], base.ExchangeCoefficient[2][3]);
}

TEST(BoxNetwork, OpenSeaBoxHasNoVolume) {
  const BayModel m = DefaultSetUp();
  EXPECT_EQ(m.BoxVolume[6], 0.0);
  EXPECT_TRUE(m.UsesStandardChain());
}

}  // namespace
}  // namespace kurimo
