// The colour scale's lookup, and its legend drawn on a canvas that records every call.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

#include "colour_legend.h"

namespace kurimo {
namespace {

// Packed as red + 256 green + 65536 blue: white, blue -> cyan -> yellow -> red in steps of
// 255 / 4 = 63.75, each component rounded half to even (63.75 -> 64, 191.25 -> 191).
constexpr PackedColour kLevelColours[14] = {0,        0xFFFFFF, 0xFF4000, 0xFF8000, 0xFFBF00,
                                            0xFFFF00, 0xBFFF40, 0x80FF80, 0x40FFBF, 0x00FFFF,
                                            0x00BFFF, 0x0080FF, 0x0040FF, 0x0000FF};
constexpr PackedColour kUntouched = 0x123456;  // a colour the scale never gives

PackedColour LookUp(ColourScale scale, float concentration, int group = kInflowGroup) {
  scale.GroupConcentration[group] = concentration;
  PackedColour colour = kUntouched;
  scale.ColourForValue(static_cast<std::int16_t>(group), colour);
  return colour;
}

TEST(ColourScale, TheHighestThresholdNotAboveTheValueDecides) {
  ColourScale scale;
  scale.BuildColourScale();
  for (const auto& [value, level] : {std::pair{-3.0f, 1}, {0.49999999f, 2}, {1000.0f, 13}})
    EXPECT_EQ(LookUp(scale, value), kLevelColours[level]) << value;
  // Each threshold starts the next level; the float just below it is still the level before.
  for (int i = 1; i <= 12; ++i) {
    const float threshold = 0.5f * static_cast<float>(i);
    EXPECT_EQ(LookUp(scale, threshold), kLevelColours[i + 1]) << threshold;
    EXPECT_EQ(LookUp(scale, std::nextafter(threshold, 0.0f)), kLevelColours[i]) << threshold;
  }
  for (int group = 1; group <= kGroupCount; ++group)
    EXPECT_EQ(LookUp(scale, 0.5f * static_cast<float>(group), group), kLevelColours[group + 1])
        << "group " << group;
}

// Records every call as a line of text: floats to 9 digits, which tell every float apart.
class RecordingCanvas final : public Canvas {
 public:
  void FillBox(float x1, float y1, float x2, float y2, PackedColour c) override {
    Record("fill", {x1, y1, x2, y2}, c);
  }
  void OutlineBox(float x1, float y1, float x2, float y2, PackedColour c) override {
    Record("outline", {x1, y1, x2, y2}, c);
  }
  void PlotPoint(float x, float y, PackedColour c) override { Record("point", {x, y}, c); }
  void PrintLine(std::string_view t) override { calls.emplace_back("print '").append(t) += "'"; }
  void SetFontName(std::string_view name) override { calls.emplace_back("font ").append(name); }
  void SetPenWidth(std::int16_t p) override { calls.push_back("width " + std::to_string(p)); }
  void SetPenStyle(std::int16_t p) override { calls.push_back("style " + std::to_string(p)); }
  std::vector<std::string> calls;

 private:
  void Record(std::string what, std::initializer_list<float> xy, PackedColour colour) {
    std::ostringstream line;
    line << what << std::setprecision(9);
    for (const float v : xy)
      line << ' ' << v;
    line << ' ' << std::hex << std::uppercase << std::setw(6) << std::setfill('0') << colour;
    calls.push_back(line.str());
  }
};

// The legend of the built scale, in twips as single-precision floats: the pen, the font, each
// cell with its threshold above its right edge ("<" before the first), and the frame.
TEST(ColourLegend, DrawsPenFontCellsLabelsAndFinallyTheFrame) {
  const struct {
    std::string from, to, labelX, label, colour;
  } cells[] = {
      {"1029.32312", "1378.24609", "1264.84619", " .5 ", "FFFFFF"},
      {"1378.24609", "1727.16919", "1613.76929", " 1 ", "FF4000"},
      {"1727.16919", "2076.09229", "1962.69226", " 1.5 ", "FF8000"},
      {"2076.09229", "2425.01538", "2311.61548", " 2 ", "FFBF00"},
      {"2425.01538", "2773.93848", "2660.53857", " 2.5 ", "FFFF00"},
      {"2773.93848", "3122.86157", "3009.46143", " 3 ", "BFFF40"},
      {"3122.86157", "3471.78467", "3358.38452", " 3.5 ", "80FF80"},
      {"3471.78467", "3820.70776", "3707.30762", " 4 ", "40FFBF"},
      {"3820.70776", "4169.63086", "4056.23071", " 4.5 ", "00FFFF"},
      {"4169.63086", "4518.55371", "4405.15381", " 5 ", "00BFFF"},
      {"4518.55371", "4867.47705", "4754.07715", " 5.5 ", "0080FF"},
      {"4867.47705", "5216.3999", "5103", " 6 ", "0040FF"},
      {"5216.3999", "5565.32324", "5499.8999", "<  (g/m3)", "0000FF"},
  };
  const std::string top = " 5584.9502 ", bottom = " 5755.0498 ", labelY = " 5358.1499 C0C0C0";
  ColourScale scale;
  scale.BuildColourScale();
  RecordingCanvas canvas;
  PanelDrawing drawing(canvas, scale.TextAnchorColour);
  ColourLegend legend;
  // Drawn again, the legend paints the same picture, in the window's font of the moment.
  for (const std::string font : {"Yu Gothic UI", "Meiryo UI"}) {
    std::vector<std::string> expected = {"width 2", "style 0", "font " + font};
    for (const auto& cell : cells) {
      expected.push_back("fill " + cell.from + top + cell.to + bottom + cell.colour);
      if (&cell == cells)
        expected.insert(expected.end(), {"point 1038.04614" + labelY, "print '<'"});
      expected.push_back("point " + cell.labelX + labelY);
      expected.push_back("print '" + cell.label + "'");
    }
    expected.push_back("outline 1029.32312" + top + "5565.32324" + bottom + "000000");
    canvas.calls.clear();
    legend.DrawColourLegend(drawing, scale, font);
    EXPECT_EQ(canvas.calls, expected);
  }
}

}  // namespace
}  // namespace kurimo
