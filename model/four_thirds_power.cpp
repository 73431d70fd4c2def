#include "four_thirds_power.h"

#include <cmath>
#include <limits>

namespace kurimo {
namespace {

// An unevaluated sum hi + lo, |lo| at most half an ulp of hi: about 106 bits.
struct DoubleDouble {
  double hi = 0;
  double lo = 0;
};

// The cube root of m in [0.5, 4) as a double-double: Newton's method in doubles from a
// first guess, then one more Newton step with the residual worked out exactly.
DoubleDouble CubeRoot(double m) {
  // A straight line through the cube root at 0.5 and 4 is within 15 % of it on the range.
  double r = 0.7937005259840998 + (m - 0.5) * (1.5874010519681994 - 0.7937005259840998) / 3.5;
  // Newton converges quadratically from there; a few more steps than needed change nothing,
  // and a fixed count keeps every platform on the same path.
  for (int i = 0; i < 8; ++i)
    r = r - (r * r * r - m) / (3 * r * r);
  // r^3 exactly enough: r^2 = r2 + r2e exactly, r2 x r = r3 + r3e exactly, r2e x r rounded.
  const double r2 = r * r;
  const double r2e = std::fma(r, r, -r2);
  const double r3 = r2 * r;
  const double r3e = std::fma(r2, r, -r3) + r2e * r;
  // r3 is within a hair of m, so r3 - m is exact.
  const double residual = (r3 - m) + r3e;
  return {r, -residual / (3 * r2)};
}

// ln m for m in [0.5, 4), to about 1e-15: 2 atanh((m - 1) / (m + 1)) by its series.
double Logarithm(double m) {
  const double s = (m - 1) / (m + 1);
  const double s2 = s * s;
  double term = s;
  double sum = 0;
  for (int k = 1; k < 120; k += 2) {
    sum += term / k;
    term *= s2;
  }
  return 2 * sum;
}

}  // namespace

double FourThirdsPower(double x) {
  if (std::isnan(x) || x < 0) return std::numeric_limits<double>::quiet_NaN();
  if (x == 0) return 0;
  if (std::isinf(x)) return x;

  // x = m 2^(3k) with m in [0.5, 4): x^(4/3) = m cbrt(m) 2^(4k).
  int e = 0;
  double m = std::frexp(x, &e);  // x = m 2^e, m in [0.5, 1)
  int r = e % 3;
  if (r < 0) r += 3;
  const int k = (e - r) / 3;
  m = std::ldexp(m, r);

  const DoubleDouble c = CubeRoot(m);
  double hi = m * c.hi;
  double lo = std::fma(m, c.hi, -hi) + m * c.lo;

  // The exponent is 4/3 - 2^-52/3 (the double below 4/3), so the power is x^(4/3) times
  // x^(-2^-52/3) = exp(-eps) with eps = (2^-52/3) ln x, about 1e-15: 1 - eps + eps^2/2
  // carries that factor to well below the last bit.
  const double lnX = Logarithm(m) + (3 * k) * 0.6931471805599453;
  const double eps = lnX * (0x1p-52 / 3);
  lo = lo - hi * (eps - eps * eps / 2);
  return std::ldexp(hi + lo, 4 * k);
}

}  // namespace kurimo
