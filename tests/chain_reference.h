// The five-box chain solved in extended precision, apart from the model's own stepping and
// eigenvalue code: what a run's boxes should be at a given time, and the chain's fastest
// rate. It takes the coefficients of a set-up case (flows, exchanges, volumes, the load) and
// nothing of how the model steps them.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>

#include "bay_model.h"

namespace kurimo::test {

class ChainReference {
 public:
  using Vector = std::array<long double, 6>;
  using Matrix = std::array<Vector, 6>;

  // After SetUpCase and ComputeLoadRates. Box b gains the river water of box b - 1 (the
  // load, for box 1), loses its own to box b + 1, and mixes with both neighbours:
  //   V dc_b/dt = Q c_(b-1) - Q c_b + E_(b-1) (c_(b-1) - c_b) - E_b (c_b - c_(b+1)),
  // with c_0 Q standing for the load and c_6 the open sea. A sixth component held at 1
  // carries the load and the open sea's share in the last column: d(c, 1)/dt = a (c, 1).
  explicit ChainReference(const BayModel& m) : sea_(m.Concentration[1][6]) {
    const long double q = m.ChangedInflowRate;
    for (int b = 1; b <= 5; ++b) {
      const long double v = m.BoxVolume[b];
      const long double landward = b > 1 ? m.ExchangeCoefficient[b - 1][b] : 0.0f;
      const long double seaward = m.ExchangeCoefficient[b][b + 1];
      a_[b - 1][b - 1] = -(q + landward + seaward) / v;
      if (b > 1) a_[b - 1][b - 2] = (q + landward) / v;
      if (b < 5) a_[b - 1][b] = seaward / v;
      a_[b - 1][5] = (b == 1 ? m.LoadRate[1][1] : b == 5 ? seaward * sea_ : 0.0L) / v;
    }
  }

  // The boxes at time t (s) from every box at the open sea: exp(a t) (sea, ..., sea, 1), by
  // scaling and squaring: a Taylor series of a t / 2^s, of norm below 1/2, then s squarings.
  Vector At(long double t) const {
    long double norm = 0;
    for (const Vector& row : a_) {
      long double sum = 0;
      for (long double x : row)
        sum += std::fabs(x) * t;
      norm = std::max(norm, sum);
    }
    int squarings = 0;
    for (; norm > 0.5L; norm /= 2)
      ++squarings;
    Matrix term{}, e{};
    for (int i = 0; i < 6; ++i)
      term[i][i] = e[i][i] = 1;
    for (int k = 1; k <= 30; ++k) {
      term = Multiply(term, a_);
      for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j)
          e[i][j] += term[i][j] *= std::ldexp(t, -squarings) / k;
    }
    for (int s = 0; s < squarings; ++s)
      e = Multiply(e, e);
    Vector c{};
    for (int i = 0; i < 5; ++i)
      for (int j = 0; j < 6; ++j)
        c[i] += e[i][j] * (j < 5 ? sea_ : 1.0L);
    return c;
  }

  // The most negative eigenvalue of the chain (1/s). The chain's matrix has the eigenvalues
  // of the symmetric one with the geometric mean of each pair of couplings off the diagonal,
  // all of them negative, so the power method finds it, as a Rayleigh quotient.
  long double MostNegativeEigenvalue() const {
    Matrix s{};
    for (int i = 0; i < 5; ++i) {
      s[i][i] = a_[i][i];
      if (i < 4) s[i][i + 1] = s[i + 1][i] = std::sqrt(a_[i][i + 1] * a_[i + 1][i]);
    }
    Vector v{1, -1, 1, -1, 1, 0};
    long double rate = 0;
    for (int k = 0; k < 5000; ++k) {
      Vector w{};
      long double norm = 0;
      rate = 0;
      for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 5; ++j)
          w[i] += s[i][j] * v[j];
        rate += v[i] * w[i];
        norm += w[i] * w[i];
      }
      for (int i = 0; i < 5; ++i)
        v[i] = w[i] / std::sqrt(norm);
    }
    return rate;
  }

 private:
  static Matrix Multiply(const Matrix& x, const Matrix& y) {
    Matrix z{};
    for (int i = 0; i < 6; ++i)
      for (int k = 0; k < 6; ++k)
        for (int j = 0; j < 6; ++j)
          z[i][j] += x[i][k] * y[k][j];
    return z;
  }

  long double sea_;
  Matrix a_{};
};

}  // namespace kurimo::test
