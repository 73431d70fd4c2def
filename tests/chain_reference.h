// The five-box chain solved in extended precision, apart from the model's own stepping and
// eigenvalue code: what a run's boxes should be at a given time, and the chain's rates. It
// takes the coefficients of a set-up case (flows, exchanges, volumes, the load) and nothing
// of how the model steps them.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>

#include "bay_model.h"

namespace kurimo::test {

class ChainReference {
 public:
  using Vector = std::array<long double, 5>;
  using Matrix = std::array<Vector, 5>;

  // After SetUpCase and ComputeLoadRates. Box b gains the river water of box b - 1 (the
  // load, for box 1), loses its own to box b + 1, and mixes with both neighbours:
  //   V dc_b/dt = Q c_(b-1) - Q c_b + E_(b-1) (c_(b-1) - c_b) - E_b (c_b - c_(b+1)),
  // with c_0 Q standing for the load and c_6 the open sea.
  explicit ChainReference(const BayModel& m) {
    const long double q = m.ChangedInflowRate;
    sea_ = m.Concentration[1][6];
    for (int b = 1; b <= 5; ++b) {
      const long double v = m.BoxVolume[b];
      const long double landward = b > 1 ? m.ExchangeCoefficient[b - 1][b] : 0.0f;
      const long double seaward = m.ExchangeCoefficient[b][b + 1];
      a_[b - 1][b - 1] = -(q + landward + seaward) / v;
      if (b > 1) a_[b - 1][b - 2] = (q + landward) / v;
      if (b < 5) a_[b - 1][b] = seaward / v;
      f_[b - 1] = ((b == 1 ? static_cast<long double>(m.LoadRate[1][1]) : 0.0L) +
                   (b == 5 ? seaward * sea_ : 0.0L)) /
                  v;
    }
    steady_ = Solve(a_, f_);
    for (long double& s : steady_)
      s = -s;
  }

  const Vector& Steady() const { return steady_; }

  // The boxes at time t (s) from every box at the open sea: the steady state plus
  // exp(A t) times the start's distance from it.
  Vector At(long double seconds) const {
    const Matrix e = Exponential(a_, seconds);
    Vector c{};
    for (int i = 0; i < 5; ++i) {
      long double sum = 0;
      for (int j = 0; j < 5; ++j)
        sum += e[i][j] * (sea_ - steady_[j]);
      c[i] = steady_[i] + sum;
    }
    return c;
  }

  // The largest distance of a steady value from the open sea: the scale of the changes.
  long double Range() const {
    long double r = 0;
    for (long double s : steady_)
      r = std::max(r, std::fabs(s - sea_));
    return r;
  }

  // The most negative eigenvalue of A (1/s), by Jacobi rotations on the symmetric matrix
  // with the same eigenvalues (off-diagonal entries the geometric means of each pair).
  long double MostNegativeEigenvalue() const {
    Matrix s{};
    for (int i = 0; i < 5; ++i) {
      s[i][i] = a_[i][i];
      if (i < 4) s[i][i + 1] = s[i + 1][i] = std::sqrt(a_[i][i + 1] * a_[i + 1][i]);
    }
    for (int sweep = 0; sweep < 60; ++sweep) {
      for (int p = 0; p < 5; ++p) {
        for (int r = p + 1; r < 5; ++r) {
          if (s[p][r] == 0) continue;
          const long double theta = (s[r][r] - s[p][p]) / (2 * s[p][r]);
          const long double t =
              (theta >= 0 ? 1.0L : -1.0L) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
          const long double c = 1 / std::sqrt(t * t + 1), sn = t * c;
          for (int k = 0; k < 5; ++k) {
            const long double kp = s[k][p], kr = s[k][r];
            s[k][p] = c * kp - sn * kr;
            s[k][r] = sn * kp + c * kr;
          }
          for (int k = 0; k < 5; ++k) {
            const long double pk = s[p][k], rk = s[r][k];
            s[p][k] = c * pk - sn * rk;
            s[r][k] = sn * pk + c * rk;
          }
        }
      }
    }
    long double lowest = s[0][0];
    for (int i = 1; i < 5; ++i)
      lowest = std::min(lowest, s[i][i]);
    return lowest;
  }

 private:
  // x with a x = b, by elimination with partial pivoting.
  static Vector Solve(Matrix a, Vector b) {
    for (int k = 0; k < 5; ++k) {
      int pivot = k;
      for (int i = k + 1; i < 5; ++i)
        if (std::fabs(a[i][k]) > std::fabs(a[pivot][k])) pivot = i;
      std::swap(a[k], a[pivot]);
      std::swap(b[k], b[pivot]);
      for (int i = k + 1; i < 5; ++i) {
        const long double factor = a[i][k] / a[k][k];
        for (int j = k; j < 5; ++j)
          a[i][j] -= factor * a[k][j];
        b[i] -= factor * b[k];
      }
    }
    Vector x{};
    for (int i = 4; i >= 0; --i) {
      long double sum = b[i];
      for (int j = i + 1; j < 5; ++j)
        sum -= a[i][j] * x[j];
      x[i] = sum / a[i][i];
    }
    return x;
  }

  static Matrix Multiply(const Matrix& x, const Matrix& y) {
    Matrix z{};
    for (int i = 0; i < 5; ++i)
      for (int k = 0; k < 5; ++k)
        for (int j = 0; j < 5; ++j)
          z[i][j] += x[i][k] * y[k][j];
    return z;
  }

  // exp(a t) by scaling and squaring: a Taylor series of a t / 2^s, of norm below 1/2, then
  // s squarings.
  static Matrix Exponential(const Matrix& a, long double t) {
    long double norm = 0;
    for (const Vector& row : a) {
      long double sum = 0;
      for (long double x : row)
        sum += std::fabs(x);
      norm = std::max(norm, sum * t);
    }
    int squarings = 0;
    long double scale = t;
    while (norm > 0.5L) {
      norm /= 2;
      scale /= 2;
      ++squarings;
    }
    Matrix x{}, term{}, sum{};
    for (int i = 0; i < 5; ++i) {
      for (int j = 0; j < 5; ++j)
        x[i][j] = a[i][j] * scale;
      term[i][i] = sum[i][i] = 1;
    }
    for (int k = 1; k <= 30; ++k) {
      term = Multiply(term, x);
      for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) {
          term[i][j] /= k;
          sum[i][j] += term[i][j];
        }
    }
    for (int s = 0; s < squarings; ++s)
      sum = Multiply(sum, sum);
    return sum;
  }

  Matrix a_{};
  Vector f_{};  // what the load and the open sea add, over the volume
  Vector steady_{};
  long double sea_ = 0;
};

}  // namespace kurimo::test
