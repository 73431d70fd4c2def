#include <cmath>

#include "bay_model.h"
#include "four_thirds_power.h"
#include "number_text.h"

namespace kurimo {

void BayModel::InitialiseModelArrays() {
  // Fixed bounds, not the counts of the case, so nothing of an earlier run survives.
  for (int b = 1; b <= kBoxBound; ++b) {
    for (int n = 1; n <= kBoxBound; ++n) {
      InterfaceArea[b][n] = 0.0;
      InterfaceDistance[b][n] = 0.0;
      UpwindWeight[b][n] = 0.0f;
      if (b <= kChainBound && n <= kChainBound) Neighbour[b][n] = 0;
      InterfaceDiffusivity[b][n] = 0.0f;
      ExchangeCoefficient[b][n] = 0.0f;
      FlowRate[b][n] = 0.0;
    }
  }
  for (int c = 1; c <= kConstituentBound; ++c) {
    for (int b = 1; b <= kBoxBound; ++b) {
      Concentration[c][b] = 0.0;
      StepIncrement[c][b] = 0.0f;
      DailyLoad[c][b] = 0.0;
    }
  }
}

bool BayModel::SetUpCase(RunObserver& observer) {
  BayBoxCount = 5;
  SeaBoxCount = 1;
  ChainBoxCount = 6;
  BoxCount = static_cast<std::int16_t>(BayBoxCount + SeaBoxCount);

  // The chain from the head of the bay (box 1) to the open sea (box 6), landward
  // neighbour first.
  NeighbourCount[1] = 1;
  Neighbour[1][1] = 2;
  for (std::int16_t b = 2; b <= 5; ++b) {
    NeighbourCount[b] = 2;
    Neighbour[b][1] = static_cast<std::int16_t>(b - 1);
    Neighbour[b][2] = static_cast<std::int16_t>(b + 1);
  }
  NeighbourCount[6] = 1;
  Neighbour[6][1] = 5;

  BayVolumeM3 = (BayVolume * 1e9) * VolumeFactor;
  BayAreaM2 = TextToNumber(BayArea) * 1e6;
  MouthArea = (static_cast<double>(MouthSection) * 1e6) * SectionFactor;
  BayLength = std::sqrt(BayAreaM2);
  if (BayLength > 200000) BayLength = 200000;
  BayLengthSingle = static_cast<float>(BayLength);
  const double inflowRate = TextToNumber(InflowRate);
  ChangedInflowRate = inflowRate * QuantityFactor;

  // The 4/3 power law with the length scale in centimetres (the exponent 4 / 3 as a double).
  EddyDiffusivity = static_cast<float>(0.01 * FourThirdsPower(BayLength * 100));

  const double velocity = ChangedInflowRate / MouthArea;  // m/s through the mouth
  bool warned = false;
  if (velocity > 1.0) {
    observer.ShowWarning(kMouthVelocityMessage, kMouthVelocityTitle);
    warned = true;
  }

  // The step is the smaller of the advective and the diffusive stability limits of one box.
  const double boxLength = BayLength / 5;
  const double diffusiveLimit =
      (0.5 * (boxLength * boxLength)) / (static_cast<double>(EddyDiffusivity) / 10000);
  TimeStepMinutes = diffusiveLimit / 60;
  if (velocity != 0) {
    const double advectiveLimit = boxLength / velocity;
    if (advectiveLimit < diffusiveLimit) TimeStepMinutes = advectiveLimit / 60;
  }
  TimeStepMinutes = RoundHalfEven(TimeStepMinutes, 0);

  // Ten residence times at the unchanged inflow rate. A bay so small that this rounds to
  // no day at all still gets one day (twenty residence times or more): with no step the
  // run would report the open sea's value as the bay's.
  CalculationDays = 0;
  float residenceDays = 0;
  if (inflowRate != 0) {
    residenceDays = static_cast<float>((BayVolumeM3 / inflowRate) / 86400);
    CalculationDays = static_cast<double>(residenceDays) * 10;
  }
  CalculationDays = RoundHalfEven(CalculationDays, 0);
  if (CalculationDays == 0 && residenceDays > 0) CalculationDays = 1;

  BuildBoxGeometry();
  BuildInterfaceFlows();
  BuildExchangeCoefficients();

  // The limits above look at one box alone. The chain's own rates can be faster, mostly
  // where the mouth's exchange is large beside a small bay. Beyond the real stability limit
  // of the Runge-Kutta step the boxes oscillate and grow; just inside it the fastest mode
  // barely decays from one step to the next, so a short run ends far from the chain's own
  // solution. Wherever the step times the fastest rate exceeds the target, the step is
  // shortened to the target, where that mode shrinks by about 0.65 a step. A step within
  // the target is kept as it is.
  RuleTimeStepMinutes = TimeStepMinutes;
  if (TimeStepMinutes > 0) {
    const double fastest = std::abs(MostNegativeRate());
    if ((60 * TimeStepMinutes) * fastest > kStableStepTarget) {
      TimeStepMinutes = std::floor(kStableStepTarget / (60 * fastest));
    }
  }

  ConstituentCount = 1;
  const double openSea = TextToNumber(OpenSeaQuality);
  for (int b = 1; b <= ChainBoxCount; ++b)
    Concentration[1][b] = openSea;
  RemovalPercent[1] = 0.0f;
  ChangedInflowQuality[1] = TextToNumber(InflowQuality) * static_cast<double>(QualityFactor);
  // g/s x 86400 s/day / 1000 g/kg = kg/day
  DailyLoad[1][1] = (ChangedInflowQuality[1] * ChangedInflowRate) * 86.4;
  return warned;
}

namespace {

// Positions 1..BayBoxCount are the bay boxes in the order they are met; the position
// after them is the open-sea box, numbered BayBoxCount + 1. With one sea box the box
// number of every position is the position itself.
int BoxOfPosition(int position) {
  return position;
}

// Calls visit(b, n) for every ordered pair of neighbours, position by position and
// neighbour slot by slot, skipping positions without neighbours.
template <class Visit>
void ForEachNeighbourPair(const BayModel& m, Visit visit) {
  for (int p = 1; p <= m.ChainBoxCount; ++p) {
    if (m.NeighbourCount[p] <= 0) continue;
    for (int k = 1; k <= m.NeighbourCount[p]; ++k) {
      visit(BoxOfPosition(p), BoxOfPosition(m.Neighbour[p][k]));
    }
  }
}

// Calls visit(b, n, d1, d2, s) once per interface (b < n) with the distances from both
// computation points and their sum, skipping pairs that are not neighbours (sum 0).
template <class Visit>
void ForEachInterface(const BayModel& m, Visit visit) {
  for (int b = 1; b <= m.BayBoxCount; ++b) {
    for (int n = b + 1; n <= m.BoxCount; ++n) {
      const double d1 = m.InterfaceDistance[b][n];
      const double d2 = static_cast<double>(static_cast<float>(m.InterfaceDistance[n][b]));
      const double s = d1 + d2;
      if (s == 0) continue;
      visit(b, n, d1, d2, s);
    }
  }
}

}  // namespace

void BayModel::BuildBoxGeometry() {
  for (int p = 1; p <= BayBoxCount; ++p)
    BoxVolume[BoxOfPosition(p)] = BayVolumeM3 / 5;

  // Every interface has the mouth's cross-section. A box's computation point lies on its
  // seaward interface, so the distance to a landward neighbour's interface is one box.
  ForEachNeighbourPair(*this, [this](int b, int n) { InterfaceArea[b][n] = MouthArea; });
  ForEachNeighbourPair(*this, [this](int b, int n) {
    InterfaceDistance[b][n] = b <= n ? 0.0 : static_cast<double>(BayLengthSingle / 5.0f);
  });
  ForEachInterface(*this, [this](int b, int n, double d1, double d2, double s) {
    UpwindWeight[b][n] = static_cast<float>(d1 / s);
    UpwindWeight[n][b] = static_cast<float>(d2 / s);
  });
}

void BayModel::BuildInterfaceFlows() {
  ForEachNeighbourPair(*this, [this](int b, int n) {
    if (n > b) FlowRate[b][n] = ChangedInflowRate;
    if (n < b) FlowRate[b][n] = -1.0 * ChangedInflowRate;
  });
}

void BayModel::BuildExchangeCoefficients() {
  ForEachNeighbourPair(*this,
                       [this](int b, int n) { InterfaceDiffusivity[b][n] = EddyDiffusivity; });
  ForEachInterface(*this, [this](int b, int n, double, double, double s) {
    // m2 / m x cm2/s / 10000 = m3/s
    ExchangeCoefficient[b][n] = static_cast<float>(
        ((InterfaceArea[b][n] / s) * static_cast<double>(InterfaceDiffusivity[b][n])) / 10000);
    ExchangeCoefficient[n][b] = ExchangeCoefficient[b][n];
  });
}

}  // namespace kurimo
