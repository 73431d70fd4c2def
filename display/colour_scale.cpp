#include "colour_scale.h"

#include "number_text.h"

namespace kurimo {

namespace {

// A colour component from a ramp value: nearest integer, halves to even (127.5 -> 128,
// 191.25 -> 191).
int ComponentOf(double value) {
  return static_cast<int>(RoundHalfEven(value, 0));
}

}  // namespace

void ColourScale::BuildColourScale() {
  LevelCount = 13;

  // Each threshold is the previous one plus 0.5; the sums are exact (0.5, 1.0, ..., 6.0).
  LevelThreshold[0] = 0.0;
  for (int i = 1; i <= LevelCount - 1; ++i) {
    LevelThreshold[i] = LevelThreshold[i - 1] + 0.5;
  }

  BuildColourRamp();

  for (int j = 1; j <= LevelCount; ++j) {
    LevelColour[j] = PackColour(ComponentOf(LevelRed[j]), ComponentOf(LevelGreen[j]), LevelBlue[j]);
  }

  OutlineColour = PackColour(0, 0, 0);           // black
  TextAnchorColour = PackColour(192, 192, 192);  // light grey
}

void ColourScale::BuildColourRamp() {
  // Level 1 is white; the levels after it run blue -> cyan -> yellow -> red in three
  // segments. The middle segment takes the remainder when the levels do not split evenly.
  LevelRed[1] = 255;
  LevelGreen[1] = 255;
  LevelBlue[1] = 255;

  const int afterFirst = LevelCount - 1;
  const int q = afterFirst / 3;       // levels in the first and in the last segment
  const int k1 = q + afterFirst % 3;  // levels in the middle segment
  const int k2 = q + k1;              // the last step of the middle segment

  // The running colour starts at pure blue, which is never stored itself.
  double red = 0;
  double green = 0;
  double blue = 255;
  for (int i = 2; i <= LevelCount; ++i) {
    const int s = i - 1;
    if (s <= q) {
      green = green + 255.0 / q;  // blue turns to cyan
    } else if (s <= k2) {
      red = red + 255.0 / k1;  // cyan turns to yellow
      blue = blue - 255.0 / k1;
    } else {
      green = green - 255.0 / q;  // yellow turns to red
    }
    if (red < 0) red = 0;
    if (green < 0) green = 0;
    if (blue < 0) blue = 0;
    LevelRed[i] = red;
    LevelGreen[i] = green;
    LevelBlue[i] = static_cast<std::int32_t>(RoundHalfEven(blue, 0));
  }
}

void ColourScale::ColourForValue(std::int16_t index, PackedColour& colour) const {
  const double value = GroupConcentration[index];
  // Ascending, so the highest threshold not above the value has the last word.
  for (int i = 1; i <= LevelCount - 1; ++i) {
    if (value >= LevelThreshold[i]) colour = LevelColour[i + 1];
  }
  // Below the first threshold is white. Before the scale is built every table is still 0:
  // the loop above does not run, and only a negative value passes this test, taking the
  // empty colour 0.
  if (value < LevelThreshold[1]) colour = LevelColour[1];
}

}  // namespace kurimo
