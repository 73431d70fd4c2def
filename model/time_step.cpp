#include <cmath>

#include "bay_model.h"

namespace kurimo {

void BayModel::ComputeLoadRates() {
  for (int c = 1; c <= ConstituentCount; ++c) {
    const double keep = 1 - static_cast<double>(RemovalPercent[c]) / 100;
    for (int b = 1; b <= BayBoxCount; ++b) {
      const float q = static_cast<float>(keep * DailyLoad[c][b]);
      LoadRate[c][b] = (1000 * static_cast<double>(q)) / 86400;  // kg/day to g/s
    }
  }
}

void BayModel::AdvanceTimeStep() {
  const double dt = 60 * TimeStepMinutes;
  // Slopes of stages 1..4 (row 0 stays 0), g/m3 per second.
  float stageSlope[kBoxBound + 1][5] = {};
  for (int c = 1; c <= ConstituentCount; ++c) {
    for (int s = 1; s <= 4; ++s) {
      const int p = s - 1;
      const double h = s == 1 ? 0.0 : (s == 4 ? dt : 0.5 * dt);
      for (int b = 1; b <= BayBoxCount; ++b) {
        if (BoxVolume[b] == 0) continue;
        double net = 0;
        for (int n = 1; n <= BoxCount; ++n) {
          if (InterfaceArea[b][n] == 0) continue;
          const double xb = Concentration[c][b] + h * static_cast<double>(stageSlope[b][p]);
          const double xn = Concentration[c][n] + h * static_cast<double>(stageSlope[n][p]);
          const double advective = FlowRate[b][n] * (xb * static_cast<double>(UpwindWeight[n][b]) +
                                                     xn * static_cast<double>(UpwindWeight[b][n]));
          const float d = static_cast<float>(static_cast<double>(stageSlope[b][p]) -
                                             static_cast<double>(stageSlope[n][p]));
          const float diffusive = static_cast<float>(
              static_cast<double>(ExchangeCoefficient[b][n]) *
              ((Concentration[c][b] - Concentration[c][n]) + h * static_cast<double>(d)));
          net = (net - advective) - static_cast<double>(diffusive);
        }
        stageSlope[b][s] = static_cast<float>((net + LoadRate[c][b]) / BoxVolume[b] +
                                              static_cast<double>(SourceRate[c][b]));
      }
    }
    for (int b = 1; b <= BayBoxCount; ++b) {
      const double sum =
          ((2 * static_cast<double>(stageSlope[b][2]) + static_cast<double>(stageSlope[b][1])) +
           2 * static_cast<double>(stageSlope[b][3])) +
          static_cast<double>(stageSlope[b][4]);
      StepIncrement[c][b] = static_cast<float>((dt * sum) / 6);
      Concentration[c][b] = Concentration[c][b] + static_cast<double>(StepIncrement[c][b]);
      if (Concentration[c][b] <= 0) Concentration[c][b] = 0;
    }
  }
}

SteppingResult BayModel::AdvanceGeneralTimeSteps(std::uint64_t count) {
  SteppingResult result;
  while (result.stepsMade < count) {
    AdvanceTimeStep();
    ++result.stepsMade;
    double check = 0;
    for (int c = 1; c <= ConstituentCount; ++c) {
      for (int b = 1; b <= BayBoxCount; ++b) {
        check += Concentration[c][b] + static_cast<double>(StepIncrement[c][b]);
      }
    }
    if (!std::isfinite(check)) {
      result.diverged = true;
      break;
    }
  }
  return result;
}

bool BayModel::UsesStandardChain() const {
  if (BayBoxCount != 5 || BoxCount != 6 || ConstituentCount != 1) return false;
  for (int b = 1; b <= 5; ++b) {
    if (BoxVolume[b] == 0) return false;
    if (b > 1 && LoadRate[1][b] != 0) return false;
    for (int n = 1; n <= 6; ++n) {
      const bool neighbours = n == b - 1 || n == b + 1;
      if ((InterfaceArea[b][n] != 0) != neighbours) return false;
    }
    // Donor-cell weights: the landward box's concentration crosses each interface.
    if (UpwindWeight[b][b + 1] != 0.0f || UpwindWeight[b + 1][b] != 1.0f) return false;
  }
  return true;
}

// The same operations as AdvanceTimeStep for the chain 1-2-3-4-5-(6 open sea), unrolled,
// with the coefficients and the state in local variables. Identities of IEEE arithmetic
// drop work that cannot change a result: with weights of exactly 1 and 0 the value carried
// across an interface is x*1 + y*0 = x; the open sea's slopes are 0; in the first stage
// h x slope is +0; adding a source rate or a load of +0, or a +0 product, only turns a
// zero's sign. A zero's sign never reaches a non-zero value here (nothing divides by a
// computed value) and concentrations at or below zero are set to +0, so concentrations
// and increments agree with AdvanceTimeStep bit for bit.
SteppingResult BayModel::AdvanceTimeSteps(std::uint64_t count) {
  constexpr int kBays = 5;
  const double dt = 60 * TimeStepMinutes;
  const double halfDt = 0.5 * dt;

  double conc[kBays + 2];  // boxes 1..6; index 0 unused
  double landFlow[kBays + 1] = {}, seaFlow[kBays + 1] = {};
  double landExchange[kBays + 1] = {}, seaExchange[kBays + 1] = {};
  double load[kBays + 1] = {}, volume[kBays + 1] = {};
  for (int b = 0; b <= kBays + 1; ++b)
    conc[b] = Concentration[1][b];
  for (int b = 1; b <= kBays; ++b) {
    seaFlow[b] = FlowRate[b][b + 1];
    seaExchange[b] = static_cast<double>(ExchangeCoefficient[b][b + 1]);
    if (b > 1) {
      landFlow[b] = FlowRate[b][b - 1];
      landExchange[b] = static_cast<double>(ExchangeCoefficient[b][b - 1]);
    }
    load[b] = LoadRate[1][b];
    volume[b] = BoxVolume[b];
  }

  // slope[s][b]: stage s (row 0 stays 0), boxes 0..6 (0 and the open sea stay 0).
  float slope[5][kBays + 2] = {};
  float increment[kBays + 1] = {};
  SteppingResult result;
  while (result.stepsMade < count) {
    // Stage 1: the factor h is 0 and the previous slopes are 0, so each value carried or
    // mixed across an interface is a plain concentration or difference.
#pragma GCC unroll 5
    for (int b = 1; b <= kBays; ++b) {
      double net = 0;
      if (b > 1) {
        const double advective = landFlow[b] * conc[b - 1];
        const float diffusive = static_cast<float>(landExchange[b] * (conc[b] - conc[b - 1]));
        net = (net - advective) - static_cast<double>(diffusive);
      }
      const double advective = seaFlow[b] * conc[b];
      const float diffusive = static_cast<float>(seaExchange[b] * (conc[b] - conc[b + 1]));
      net = (net - advective) - static_cast<double>(diffusive);
      slope[1][b] = static_cast<float>(b == 1 ? (net + load[1]) / volume[1] : net / volume[b]);
    }
#pragma GCC unroll 3
    for (int s = 2; s <= 4; ++s) {
      const int p = s - 1;
      const double h = s == 4 ? dt : halfDt;
#pragma GCC unroll 5
      for (int b = 1; b <= kBays; ++b) {
        const double sb = static_cast<double>(slope[p][b]);
        double net = 0;
        if (b > 1) {
          const double sn = static_cast<double>(slope[p][b - 1]);
          const double xn = conc[b - 1] + h * sn;
          const double advective = landFlow[b] * xn;
          // The difference of two singles rounded once to single precision equals their
          // difference rounded first to double and then to single (53 >= 2 x 24 + 2 bits),
          // so it is taken in single precision, without the round trip through double.
          const float d = slope[p][b] - slope[p][b - 1];
          const float diffusive = static_cast<float>(
              landExchange[b] * ((conc[b] - conc[b - 1]) + h * static_cast<double>(d)));
          net = (net - advective) - static_cast<double>(diffusive);
        }
        const double xb = conc[b] + h * sb;
        const double advective = seaFlow[b] * xb;
        const float d = slope[p][b] - slope[p][b + 1];
        const float diffusive = static_cast<float>(
            seaExchange[b] * ((conc[b] - conc[b + 1]) + h * static_cast<double>(d)));
        net = (net - advective) - static_cast<double>(diffusive);
        // Only the head of the bay receives a load; elsewhere it is +0.
        slope[s][b] = static_cast<float>(b == 1 ? (net + load[1]) / volume[1] : net / volume[b]);
      }
    }
    double check = 0;
#pragma GCC unroll 5
    for (int b = 1; b <= kBays; ++b) {
      const double sum =
          ((2 * static_cast<double>(slope[2][b]) + static_cast<double>(slope[1][b])) +
           2 * static_cast<double>(slope[3][b])) +
          static_cast<double>(slope[4][b]);
      increment[b] = static_cast<float>((dt * sum) / 6);
      double next = conc[b] + static_cast<double>(increment[b]);
      if (next <= 0) next = 0;
      conc[b] = next;
      check += next + static_cast<double>(increment[b]);
    }
    ++result.stepsMade;
    // One test per step: any infinity or NaN among the concentrations and increments
    // makes the sum infinite or NaN.
    if (!std::isfinite(check)) {
      result.diverged = true;
      break;
    }
  }

  for (int b = 1; b <= kBays; ++b) {
    Concentration[1][b] = conc[b];
    StepIncrement[1][b] = increment[b];
  }
  return result;
}

}  // namespace kurimo
