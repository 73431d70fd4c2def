// The 4/3 power of the eddy-diffusivity law, worked out with +, -, x, / and fused
// multiply-adds only, so that every platform gives the same bits: the C library's pow may
// differ in its last bit from one library to another.
#pragma once

namespace kurimo {

// x ^ (4.0 / 3.0), the exponent being the double nearest 4/3, correctly rounded to a double
// (but for values within about 1e-30 of a halfway point between two doubles, which no
// length scale of a bay meets). 0 for 0, NaN for a negative x or NaN, infinity for
// infinity. Meant for the magnitudes of the model's length scales (centimetres, 1e2 to
// 1e8); results below the normal range of doubles are not rounded correctly.
double FourThirdsPower(double x);

}  // namespace kurimo
