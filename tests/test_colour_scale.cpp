// The 13-level colour scale: its tables, rebuilding, and the lookup that colours a group.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "colour_scale.h"

namespace kurimo {
namespace {

struct LevelRow {
  int level;
  double rampRed;  // as the ramp leaves them, before rounding
  double rampGreen;
  int red;
  int green;
  int blue;
};

// White, then blue -> cyan -> yellow -> red in steps of 255 / 4 = 63.75.
constexpr LevelRow kLevels[] = {
    {1, 255, 255, 255, 255, 255},   {2, 0, 63.75, 0, 64, 255},      {3, 0, 127.5, 0, 128, 255},
    {4, 0, 191.25, 0, 191, 255},    {5, 0, 255, 0, 255, 255},       {6, 63.75, 255, 64, 255, 191},
    {7, 127.5, 255, 128, 255, 128}, {8, 191.25, 255, 191, 255, 64}, {9, 255, 255, 255, 255, 0},
    {10, 255, 191.25, 255, 191, 0}, {11, 255, 127.5, 255, 128, 0},  {12, 255, 63.75, 255, 64, 0},
    {13, 255, 0, 255, 0, 0},
};

// Any colour the scale never gives, to see whether a lookup wrote its output.
constexpr PackedColour kUntouched = 0x123456;

ColourScale BuiltScale() {
  ColourScale scale;
  scale.BuildColourScale();
  return scale;
}

PackedColour LookUp(const ColourScale& scale, float concentration) {
  ColourScale withValue = scale;
  withValue.GroupConcentration[kInflowGroup] = concentration;
  PackedColour colour = kUntouched;
  withValue.ColourForValue(kInflowGroup, colour);
  return colour;
}

TEST(ColourScaleBuild, EveryLevelHasItsRampComponentsAndPackedColour) {
  const ColourScale scale = BuiltScale();
  ASSERT_EQ(scale.LevelCount, 13);
  for (const LevelRow& row : kLevels) {
    SCOPED_TRACE("level " + std::to_string(row.level));
    EXPECT_EQ(scale.LevelRed[row.level], row.rampRed);
    EXPECT_EQ(scale.LevelGreen[row.level], row.rampGreen);
    EXPECT_EQ(scale.LevelBlue[row.level], row.blue);
    EXPECT_EQ(RedOf(scale.LevelColour[row.level]), row.red);
    EXPECT_EQ(GreenOf(scale.LevelColour[row.level]), row.green);
    EXPECT_EQ(BlueOf(scale.LevelColour[row.level]), row.blue);
    EXPECT_EQ(scale.LevelColour[row.level], PackColour(row.red, row.green, row.blue));
  }
}

TEST(ColourScaleBuild, ThresholdsRiseByHalvesAndTheSpareEntriesStayEmpty) {
  const ColourScale scale = BuiltScale();
  EXPECT_EQ(scale.LevelThreshold[0], 0.0);
  for (int i = 1; i <= 12; ++i)
    EXPECT_EQ(scale.LevelThreshold[i], 0.5 * i) << "threshold " << i;
  for (int i = 13; i <= ColourScale::kLevelBound; ++i) {
    EXPECT_EQ(scale.LevelThreshold[i], 0.0) << "threshold " << i;
  }
  EXPECT_EQ(scale.LevelColour[0], 0u);
  for (int i = 14; i <= ColourScale::kLevelBound; ++i) {
    EXPECT_EQ(scale.LevelColour[i], 0u) << "colour " << i;
  }
  EXPECT_EQ(scale.OutlineColour, 0x000000u);
  EXPECT_EQ(scale.TextAnchorColour, 0xC0C0C0u);
}

TEST(ColourScaleBuild, BuildingAgainGivesTheSameTablesAndKeepsTheGroups) {
  const ColourScale first = BuiltScale();
  ColourScale again = first;
  again.GroupConcentration[3] = 2.5f;
  again.GroupColour = kUntouched;
  again.BuildColourScale();
  EXPECT_EQ(again.LevelCount, first.LevelCount);
  for (int i = 0; i <= ColourScale::kLevelBound; ++i) {
    SCOPED_TRACE("entry " + std::to_string(i));
    EXPECT_EQ(again.LevelThreshold[i], first.LevelThreshold[i]);
    EXPECT_EQ(again.LevelColour[i], first.LevelColour[i]);
    EXPECT_EQ(again.LevelRed[i], first.LevelRed[i]);
    EXPECT_EQ(again.LevelGreen[i], first.LevelGreen[i]);
    EXPECT_EQ(again.LevelBlue[i], first.LevelBlue[i]);
  }
  EXPECT_EQ(again.OutlineColour, first.OutlineColour);
  EXPECT_EQ(again.TextAnchorColour, first.TextAnchorColour);
  EXPECT_EQ(again.GroupConcentration[3], 2.5f);
  EXPECT_EQ(again.GroupColour, kUntouched);
}

struct LookupRow {
  const char* name;
  double concentration;  // stored in single precision, as every caller does
  int level;
};

TEST(ColourForValue, TheHighestThresholdNotAboveTheValueDecides) {
  const LookupRow rows[] = {
      {"0.5 -> level 2", 0.5, 2},
      {"0.49 -> white", 0.49, 1},
      {"0.49999999 is 0.5 in single precision -> level 2", 0.49999999, 2},
      {"0 -> white", 0.0, 1},
      {"-0 -> white", -0.0, 1},
      {"-3 -> white", -3.0, 1},
      {"0.999 -> level 2", 0.999, 2},
      {"1 -> level 3", 1.0, 3},
      {"2.66 -> level 6", 2.66, 6},
      {"3 -> level 7", 3.0, 7},
      {"3.63 -> level 8", 3.63, 8},
      {"5.5 -> level 12", 5.5, 12},
      {"5.999 -> level 12", 5.999, 12},
      {"6 -> red", 6.0, 13},
      {"1000 -> red", 1000.0, 13},
  };
  const ColourScale scale = BuiltScale();
  for (const LookupRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(LookUp(scale, static_cast<float>(row.concentration)), scale.LevelColour[row.level]);
  }
}

TEST(ColourForValue, EveryThresholdStartsTheNextLevel) {
  const ColourScale scale = BuiltScale();
  for (int i = 1; i <= 12; ++i) {
    const float threshold = 0.5f * static_cast<float>(i);
    SCOPED_TRACE("threshold " + std::to_string(threshold));
    EXPECT_EQ(LookUp(scale, threshold), scale.LevelColour[i + 1]);
    EXPECT_EQ(LookUp(scale, std::nextafter(threshold, 0.0f)), scale.LevelColour[i]);
  }
}

TEST(ColourForValue, TheIndexSelectsTheGroup) {
  ColourScale scale = BuiltScale();
  for (int group = 1; group <= kGroupCount; ++group) {
    scale.GroupConcentration[group] = 0.5f * static_cast<float>(group);
  }
  for (int group = 1; group <= kGroupCount; ++group) {
    PackedColour colour = kUntouched;
    scale.ColourForValue(static_cast<std::int16_t>(group), colour);
    EXPECT_EQ(colour, scale.LevelColour[group + 1]) << "group " << group;
  }
}

TEST(ColourForValue, BeforeTheScaleIsBuiltOnlyANegativeValueSetsTheColour) {
  struct Row {
    const char* name;
    float concentration;
    PackedColour colour;
  };
  const Row rows[] = {
      {"0 leaves the colour", 0.0f, kUntouched},   {"-0 leaves the colour", -0.0f, kUntouched},
      {"3 leaves the colour", 3.0f, kUntouched},   {"1000 leaves the colour", 1000.0f, kUntouched},
      {"-0.1 sets the empty colour 0", -0.1f, 0u},
  };
  const ColourScale empty;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(LookUp(empty, row.concentration), row.colour);
  }
}

}  // namespace
}  // namespace kurimo
