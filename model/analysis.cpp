// The steady state of the chain, how close a run came to it, and whether the time step is
// stable for the chain's rates.
#include <algorithm>
#include <cmath>
#include <limits>

#include "bay_model.h"
#include "number_text.h"

namespace kurimo {
namespace {

constexpr int kBays = 5;
using Matrix = std::array<std::array<double, kBays>, kBays>;

// A symmetric tridiagonal matrix: its diagonal and the couplings beside it.
struct Tridiagonal {
  std::array<double, kBays> diagonal{};
  std::array<double, kBays - 1> coupling{};
};

// How many eigenvalues of t lie below x: the number of negative pivots of the LDL^T
// factorisation of t - x I (Sylvester's law of inertia). A pivot of exactly 0 is taken as a
// tiny negative one, so that the count stays that of a matrix a rounding away.
int EigenvaluesBelow(const Tridiagonal& t, double x, double smallestPivot) {
  int count = 0;
  double pivot = 1;
  for (int i = 0; i < kBays; ++i) {
    const auto ui = static_cast<std::size_t>(i);
    const double coupled = i == 0 ? 0.0 : (t.coupling[ui - 1] * t.coupling[ui - 1]) / pivot;
    pivot = (t.diagonal[ui] - x) - coupled;
    if (std::abs(pivot) < smallestPivot) pivot = -smallestPivot;
    if (pivot < 0) ++count;
  }
  return count;
}

// The eigenvalues of a symmetric tridiagonal matrix, smallest first, by bisection on the
// pivot count. Only +, -, x, / and comparisons are used, so every platform gives the same
// bits: each eigenvalue is narrowed to two neighbouring doubles, and the upper one is kept.
std::array<double, kBays> SymmetricEigenvalues(const Tridiagonal& t) {
  std::array<double, kBays> values{};
  // Gershgorin's discs hold every eigenvalue.
  double low = 0, high = 0, largestCoupling = 0;
  bool finite = true;
  for (int i = 0; i < kBays; ++i) {
    const auto ui = static_cast<std::size_t>(i);
    const double left = i == 0 ? 0.0 : std::abs(t.coupling[ui - 1]);
    const double right = i == kBays - 1 ? 0.0 : std::abs(t.coupling[ui]);
    const double radius = left + right;
    finite = finite && std::isfinite(t.diagonal[ui]) && std::isfinite(radius);
    if (i == 0 || t.diagonal[ui] - radius < low) low = t.diagonal[ui] - radius;
    if (i == 0 || t.diagonal[ui] + radius > high) high = t.diagonal[ui] + radius;
    largestCoupling = std::max(largestCoupling, right);
  }
  if (!finite) {
    values.fill(std::numeric_limits<double>::quiet_NaN());
    return values;
  }
  const double smallestPivot =
      std::numeric_limits<double>::min() * std::max(1.0, largestCoupling * largestCoupling);
  for (int k = 0; k < kBays; ++k) {
    // The (k+1)-th smallest eigenvalue lies in (below, above].
    double below = low, above = high;
    // A disc's edge may be the eigenvalue itself: widen by a hair so that it lies inside.
    const double margin = (std::abs(low) + std::abs(high)) * 1e-15 + smallestPivot;
    below -= margin;
    above += margin;
    // At most about 2100 halvings separate any two doubles.
    for (int halving = 0; halving < 2200; ++halving) {
      const double middle = below + (above - below) / 2;
      if (!(middle > below && middle < above)) break;
      if (EigenvaluesBelow(t, middle, smallestPivot) > k)
        above = middle;
      else
        below = middle;
    }
    values[static_cast<std::size_t>(k)] = above;
  }
  return values;
}

}  // namespace

std::array<double, 5> BayModel::SteadyState() const {
  // Across the interface between box b and its seaward neighbour the chain carries
  //   F (w_b c_b + w_n c_n) + E (c_b - c_n)
  // (F the flow, w the weights of the two boxes' concentrations, E the exchange). At the
  // steady state this equals the load that enters boxes 1 to b, so c_b follows from c_n.
  // With donor-cell weights (w_b = 1, w_n = 0) it is c_b = (load + E c_n) / (F + E).
  std::array<double, 5> steady{};
  double loadUpToBox[kBays + 1] = {};
  for (int b = 1; b <= kBays; ++b) {
    loadUpToBox[b] =
        loadUpToBox[b - 1] + LoadRate[1][b] + static_cast<double>(SourceRate[1][b]) * BoxVolume[b];
  }
  double seaward = Concentration[1][kBays + 1];  // the open sea
  for (int b = kBays; b >= 1; --b) {
    const int n = b + 1;
    const double flow = FlowRate[b][n];
    const double exchange = static_cast<double>(ExchangeCoefficient[b][n]);
    const double ownWeight = static_cast<double>(UpwindWeight[n][b]);
    const double seawardWeight = static_cast<double>(UpwindWeight[b][n]);
    const double c = (loadUpToBox[b] + (exchange - flow * seawardWeight) * seaward) /
                     (flow * ownWeight + exchange);
    steady[static_cast<std::size_t>(b - 1)] = c;
    seaward = c;
  }
  return steady;
}

double BayModel::Convergence() const {
  const std::array<double, 5> steady = SteadyState();
  const double openSea = Concentration[1][kBays + 1];
  double remaining = 0;
  double span = 0;
  double scale = std::abs(openSea);
  for (int b = 1; b <= kBays; ++b) {
    const double s = steady[static_cast<std::size_t>(b - 1)];
    remaining = std::max(remaining, std::abs(Concentration[1][b] - s));
    span = std::max(span, std::abs(s - openSea));
    scale = std::max(scale, std::abs(s));
    if (std::isnan(Concentration[1][b]) || std::isnan(s)) return Concentration[1][b] + s;
  }
  // Differences at the level of rounding are no difference: the steady state is then the
  // open sea, and a state that sits there too has converged.
  const double negligible = 1e-12 * scale;
  if (span <= negligible) {
    return remaining <= negligible ? 0.0 : std::numeric_limits<double>::infinity();
  }
  return remaining / span;
}

std::array<double, 5> BayModel::ChainRateEigenvalues() const {
  // dc/dt = A c + (loads and the open sea's share). Box b loses F w_b c_b + E c_b across
  // each interface and gains -(F w_n - E) c_n from a bay neighbour n.
  Matrix rates{};
  for (int b = 1; b <= kBays; ++b) {
    double diagonal = 0;
    for (int n = 1; n <= BoxCount; ++n) {
      if (InterfaceArea[b][n] == 0) continue;
      const double flow = FlowRate[b][n];
      const double exchange = static_cast<double>(ExchangeCoefficient[b][n]);
      diagonal -= flow * static_cast<double>(UpwindWeight[n][b]) + exchange;
      if (n <= kBays) {
        rates[b - 1][n - 1] =
            -(flow * static_cast<double>(UpwindWeight[b][n]) - exchange) / BoxVolume[b];
      }
    }
    rates[b - 1][b - 1] = diagonal / BoxVolume[b];
  }
  // The chain couples only neighbours, and each coupling is of one sign both ways (flows
  // and exchanges are never negative), so the tridiagonal matrix is similar to the
  // symmetric one with the geometric means of the couplings off the diagonal: the same,
  // real, eigenvalues.
  Tridiagonal symmetric;
  for (int i = 0; i < kBays; ++i) {
    const auto ui = static_cast<std::size_t>(i);
    symmetric.diagonal[ui] = rates[i][i];
    if (i + 1 < kBays) {
      const double product = rates[i][i + 1] * rates[i + 1][i];
      symmetric.coupling[ui] = std::sqrt(std::max(product, 0.0));
    }
  }
  return SymmetricEigenvalues(symmetric);
}

double BayModel::MostNegativeRate() const {
  const std::array<double, kBays> eigenvalues = ChainRateEigenvalues();
  return *std::min_element(eigenvalues.begin(), eigenvalues.end());
}

double BayModel::FlushingTimeDays() const {
  // Every rate is negative (each box loses water to the sea), so the slowest mode is the
  // largest eigenvalue: the one nearest 0.
  const std::array<double, kBays> eigenvalues = ChainRateEigenvalues();
  const double slowest = *std::max_element(eigenvalues.begin(), eigenvalues.end());
  return 1 / std::abs(slowest) / 86400;
}

StabilityVerdict BayModel::DiagnoseStability() const {
  StabilityVerdict verdict;
  verdict.mostNegativeEigenvalue = MostNegativeRate();
  verdict.stepTimesEigenvalue = (60 * TimeStepMinutes) * verdict.mostNegativeEigenvalue;
  verdict.stable = verdict.stepTimesEigenvalue >= kRungeKuttaStabilityLimit;
  return verdict;
}

LargeValue BayModel::ValueBeyondSinglePrecision() const {
  // Every box stays between the open sea and the river's water (each steady value is a
  // weighted mean of the two), so the larger of them bounds the concentrations. A step
  // rounds flow and exchange terms of about (flow + exchange) x concentration to single
  // precision; within a factor of 8 of the largest single, those terms overflow.
  const double openSea = TextToNumber(OpenSeaQuality);
  const double inflow = ChangedInflowQuality[1];
  double throughput = 0;  // m3/s, the largest flow plus exchange across an interface
  for (int b = 1; b <= kBays; ++b) {
    throughput = std::max(throughput, std::abs(FlowRate[b][b + 1]) +
                                          static_cast<double>(ExchangeCoefficient[b][b + 1]));
  }
  const double largest = std::max(std::abs(openSea), std::abs(inflow));
  const double limit = static_cast<double>(std::numeric_limits<float>::max()) / 8;
  const bool beyond =
      !(largest * std::max(throughput, 1.0) < limit) || !(std::abs(LoadRate[1][1]) < limit);
  if (!beyond) return {};
  if (std::abs(inflow) >= std::abs(openSea)) return {LargeCondition::InflowQuality, inflow};
  return {LargeCondition::OpenSeaQuality, openSea};
}

}  // namespace kurimo
