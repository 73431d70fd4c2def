// The 13-level colour scale of concentration (white for clean water through blue, cyan,
// green and yellow to red) and the lookup that gives each framed group of the window its
// colour. Colours are packed as red + 256 x green + 65536 x blue.
#pragma once

#include <cstdint>

namespace kurimo {

using PackedColour = std::uint32_t;

constexpr PackedColour PackColour(int red, int green, int blue) {
  return static_cast<PackedColour>(red) + 256u * static_cast<PackedColour>(green) +
         65536u * static_cast<PackedColour>(blue);
}
constexpr int RedOf(PackedColour colour) {
  return static_cast<int>(colour & 0xFFu);
}
constexpr int GreenOf(PackedColour colour) {
  return static_cast<int>((colour >> 8) & 0xFFu);
}
constexpr int BlueOf(PackedColour colour) {
  return static_cast<int>((colour >> 16) & 0xFFu);
}

// Which framed group a GroupConcentration entry colours.
inline constexpr int kFirstBayGroup = 1;  // 1..5: the bay boxes, box 1 at the river side
inline constexpr int kLastBayGroup = 5;
inline constexpr int kInflowGroup = 6;   // the river water
inline constexpr int kOpenSeaGroup = 7;  // the open sea
inline constexpr int kGroupCount = 7;

class ColourScale {
 public:
  static constexpr int kLevelBound = 20;  // room for 20 levels; 13 are used

  std::int16_t LevelCount = 0;
  // Element i (1..12) is the lowest concentration of level i + 1; element 0 is 0.
  double LevelThreshold[kLevelBound + 1] = {};
  PackedColour LevelColour[kLevelBound + 1] = {};  // levels 1..LevelCount
  double LevelRed[kLevelBound + 1] = {};           // as the ramp computes them, unrounded
  double LevelGreen[kLevelBound + 1] = {};
  std::int32_t LevelBlue[kLevelBound + 1] = {};  // already rounded
  PackedColour OutlineColour = 0;                // the legend's frame: black
  PackedColour TextAnchorColour = 0;             // the point under each legend text: grey

  // Concentration of each group (1..7, see above), in single precision, and the colour
  // of the latest lookup.
  float GroupConcentration[kGroupCount + 1] = {};
  PackedColour GroupColour = 0;

  // Sets every table above except the group entries. Running it again gives the same.
  void BuildColourScale();
  // Fills LevelRed, LevelGreen and LevelBlue for levels 1..LevelCount.
  void BuildColourRamp();
  // Sets colour to the colour of GroupConcentration[index]'s level: the highest threshold
  // not above the value decides, and a value below the first threshold is white. Before
  // the scale is built a value of 0 or more leaves colour as it was.
  void ColourForValue(std::int16_t index, PackedColour& colour) const;
};

}  // namespace kurimo
