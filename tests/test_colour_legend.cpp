// The drawing operations and the colour legend, checked through a canvas that records
// every call instead of drawing.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "colour_legend.h"
#include "colour_scale.h"
#include "drawing.h"

namespace kurimo {
namespace {

struct Call {
  std::string what;  // fill, outline, point, print, font, width or style
  float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  PackedColour colour = 0;
  std::string text;  // printed text or font name
  int pen = 0;       // width or style
  bool operator==(const Call&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Call& call) {
  return out << call.what << "(" << call.x1 << ", " << call.y1 << ", " << call.x2 << ", " << call.y2
             << ", colour " << call.colour << ", '" << call.text << "', " << call.pen << ")";
}

Call Fill(float x1, float y1, float x2, float y2, PackedColour c) {
  return {"fill", x1, y1, x2, y2, c, "", 0};
}
Call Outline(float x1, float y1, float x2, float y2, PackedColour c) {
  return {"outline", x1, y1, x2, y2, c, "", 0};
}
Call Point(float x, float y, PackedColour c) {
  return {"point", x, y, 0, 0, c, "", 0};
}
Call Print(std::string_view text) {
  return {"print", 0, 0, 0, 0, 0, std::string(text), 0};
}
Call Font(std::string_view name) {
  return {"font", 0, 0, 0, 0, 0, std::string(name), 0};
}
Call Width(int pixels) {
  return {"width", 0, 0, 0, 0, 0, "", pixels};
}
Call Style(int style) {
  return {"style", 0, 0, 0, 0, 0, "", style};
}

class RecordingCanvas final : public Canvas {
 public:
  void FillBox(float x1, float y1, float x2, float y2, PackedColour colour) override {
    calls.push_back(Fill(x1, y1, x2, y2, colour));
  }
  void OutlineBox(float x1, float y1, float x2, float y2, PackedColour colour) override {
    calls.push_back(Outline(x1, y1, x2, y2, colour));
  }
  void PlotPoint(float x, float y, PackedColour colour) override {
    calls.push_back(Point(x, y, colour));
  }
  void PrintLine(std::string_view text) override { calls.push_back(Print(text)); }
  void SetFontName(std::string_view name) override { calls.push_back(Font(name)); }
  void SetPenWidth(std::int16_t pixels) override { calls.push_back(Width(pixels)); }
  void SetPenStyle(std::int16_t style) override { calls.push_back(Style(style)); }
  std::vector<Call> calls;
};

void ExpectSameCalls(const std::vector<Call>& actual, const std::vector<Call>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < actual.size(); ++i)
    EXPECT_EQ(actual[i], expected[i]) << "call " << i;
}

TEST(DrawnText, NumbersGetTheirBlanksAndTextsPrintUnchanged) {
  struct Row {
    DrawValue value;
    const char* expected;
  };
  const Row rows[] = {
      {0.5, " .5 "},
      {1.0, " 1 "},
      {1.5, " 1.5 "},
      {6.0, " 6 "},
      {0.0, " 0 "},
      {0.126, " .126 "},
      {-0.5, "-.5 "},
      {-2.0, "-2 "},
      {1.0 / 3.0, " .333333333333333 "},
      {std::string_view("<"), "<"},
      {std::string_view("<  (g/m3)"), "<  (g/m3)"},
      {std::string_view(" .5"), " .5"},
      {std::string_view("1"), "1"},
      {std::string_view(""), ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string("expected '") + row.expected + "'");
    EXPECT_EQ(DrawnText(row.value), row.expected);
  }
}

constexpr PackedColour kAnchor = 0x0A0B0C;  // not the grey, to see where it comes from

TEST(DrawnOperations, BoxesTakeSingleCoordinatesAndColoursRoundedHalfToEven) {
  struct Row {
    const char* name;
    double colour;
    PackedColour packed;
  };
  const Row rows[] = {
      {"0.5 -> 0", 0.5, 0u},
      {"2.5 -> 2", 2.5, 2u},
      {"3.5 -> 4", 3.5, 4u},
      {"255.49 -> 255", 255.49, 255u},
      {"grey stays grey", 12632256.0, 0xC0C0C0u},
  };
  const double x1 = 1029.3230769230769;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RecordingCanvas canvas;
    PanelDrawing drawing(canvas, kAnchor);
    drawing.DrawFilledBox(x1, 0.1, 2.5, -3.75, row.colour);
    drawing.DrawBoxOutline(x1, 0.1, 2.5, -3.75, row.colour);
    const float fx1 = static_cast<float>(x1);
    ExpectSameCalls(canvas.calls, {Fill(fx1, 0.1f, 2.5f, -3.75f, row.packed),
                                   Outline(fx1, 0.1f, 2.5f, -3.75f, row.packed)});
  }
}

TEST(DrawnOperations, PenWidthAndStyleRoundHalfToEven) {
  struct Row {
    double given;
    int rounded;
  };
  const Row rows[] = {{2.0, 2}, {2.5, 2}, {3.5, 4}, {1.4999, 1}, {0.5, 0}, {-1.5, -2}};
  for (const Row& row : rows) {
    SCOPED_TRACE("given " + std::to_string(row.given));
    RecordingCanvas canvas;
    PanelDrawing drawing(canvas, kAnchor);
    drawing.SetDrawWidth(row.given);
    drawing.SetDrawStyle(row.given);
    ExpectSameCalls(canvas.calls, {Width(row.rounded), Style(row.rounded)});
  }
}

TEST(DrawnOperations, EachTextIsPlacedByItsOwnAnchorPoint) {
  RecordingCanvas canvas;
  PanelDrawing drawing(canvas, kAnchor);
  drawing.SetDrawFontName("MS UI Gothic");
  drawing.DrawValueAt(10.5, 20.25, 0.5);
  drawing.DrawTextAt(30.0, 40.0, "<");
  drawing.DrawTextAt(30.0, 40.0, 1.0);
  ExpectSameCalls(canvas.calls, {Font("MS UI Gothic"), Point(10.5f, 20.25f, kAnchor), Print(" .5 "),
                                 Point(30.0f, 40.0f, kAnchor), Print("<"),
                                 Point(30.0f, 40.0f, kAnchor), Print(" 1 ")});
}

// The legend's twips as its layout formulas give them, in their written grouping.
struct LegendLayout {
  explicit LegendLayout(int levelCount) {
    const double u = 5.67;
    left = 20 * u + 100 * u;
    top = 60 * u + 925.0 * u;
    cellWidth = (800.0 / levelCount) * u;
    bottom = top + 30 * u;
    labelY = bottom - 70 * u;
    double x = left;
    for (int j = 1; j <= levelCount; ++j) {
      x = x + cellWidth;
      from.push_back(x);
      to.push_back(x + cellWidth);
      labelX.push_back(to.back() - 20 * u);
    }
    lessThanX = labelX.front() - 40 * u;
    unitX = (labelX.back() - cellWidth) + 70 * u;
  }
  double left, top, cellWidth, bottom, labelY, lessThanX, unitX;
  std::vector<double> from, to, labelX;  // cell j at j - 1
};

// The legend as it should be drawn, to three decimals.
struct CellRow {
  double from;
  double to;
  double labelX;
  const char* label;
};
constexpr CellRow kCells[] = {
    {1029.323, 1378.246, 1264.846, " .5 "},      {1378.246, 1727.169, 1613.769, " 1 "},
    {1727.169, 2076.092, 1962.692, " 1.5 "},     {2076.092, 2425.015, 2311.615, " 2 "},
    {2425.015, 2773.938, 2660.538, " 2.5 "},     {2773.938, 3122.862, 3009.462, " 3 "},
    {3122.862, 3471.785, 3358.385, " 3.5 "},     {3471.785, 3820.708, 3707.308, " 4 "},
    {3820.708, 4169.631, 4056.231, " 4.5 "},     {4169.631, 4518.554, 4405.154, " 5 "},
    {4518.554, 4867.477, 4754.077, " 5.5 "},     {4867.477, 5216.400, 5103.000, " 6 "},
    {5216.400, 5565.323, 5499.900, "<  (g/m3)"},
};
constexpr double kLessThanX = 1038.046;
constexpr double kTop = 5584.95, kBottom = 5755.05, kLabelY = 5358.15;

TEST(ColourLegend, LayoutFormulasGiveTheTwipsOfTheDrawing) {
  // The expected drawing lists its twips rounded to three decimals.
  constexpr double kThreeDecimals = 0.0005;
  const LegendLayout layout(13);
  EXPECT_NEAR(layout.left, 680.4, kThreeDecimals);
  EXPECT_NEAR(layout.top, kTop, kThreeDecimals);
  EXPECT_NEAR(layout.bottom, kBottom, kThreeDecimals);
  EXPECT_NEAR(layout.labelY, kLabelY, kThreeDecimals);
  EXPECT_NEAR(layout.lessThanX, kLessThanX, kThreeDecimals);
  EXPECT_NEAR(layout.unitX, kCells[12].labelX, kThreeDecimals);
  for (int j = 1; j <= 13; ++j) {
    SCOPED_TRACE("cell " + std::to_string(j));
    EXPECT_NEAR(layout.from[j - 1], kCells[j - 1].from, kThreeDecimals);
    EXPECT_NEAR(layout.to[j - 1], kCells[j - 1].to, kThreeDecimals);
    if (j < 13) {
      EXPECT_NEAR(layout.labelX[j - 1], kCells[j - 1].labelX, kThreeDecimals);
    }
  }
}

std::vector<Call> ExpectedLegend(const ColourScale& scale, std::string_view font) {
  const LegendLayout layout(13);
  const auto f = [](double twips) { return static_cast<float>(twips); };
  const PackedColour grey = scale.TextAnchorColour;
  std::vector<Call> calls = {Width(2), Style(0), Font(font)};
  for (int j = 1; j <= 13; ++j) {
    calls.push_back(Fill(f(layout.from[j - 1]), f(layout.top), f(layout.to[j - 1]),
                         f(layout.bottom), scale.LevelColour[j]));
    if (j == 1) {
      calls.push_back(Point(f(layout.lessThanX), f(layout.labelY), grey));
      calls.push_back(Print("<"));
    }
    const double x = j < 13 ? layout.labelX[j - 1] : layout.unitX;
    calls.push_back(Point(f(x), f(layout.labelY), grey));
    calls.push_back(Print(kCells[j - 1].label));
  }
  calls.push_back(Outline(f(layout.from.front()), f(layout.top), f(layout.to.back()),
                          f(layout.bottom), scale.OutlineColour));
  return calls;
}

TEST(ColourLegend, DrawsPenFontCellsLabelsAndFinallyTheFrame) {
  ColourScale scale;
  scale.BuildColourScale();
  RecordingCanvas canvas;
  PanelDrawing drawing(canvas, scale.TextAnchorColour);
  ColourLegend legend;
  legend.DrawColourLegend(drawing, scale, "Yu Gothic UI");
  ExpectSameCalls(canvas.calls, ExpectedLegend(scale, "Yu Gothic UI"));

  // White on the left, red on the right, a black frame and grey anchors.
  ASSERT_EQ(canvas.calls.size(), 45u);
  EXPECT_EQ(canvas.calls[3].colour, PackColour(255, 255, 255));
  EXPECT_EQ(canvas.calls[41].colour, PackColour(255, 0, 0));
  EXPECT_EQ(canvas.calls[44].colour, PackColour(0, 0, 0));
  EXPECT_EQ(canvas.calls[4].colour, PackColour(192, 192, 192));
}

TEST(ColourLegend, DrawingTwiceRepeatsTheSameCalls) {
  ColourScale scale;
  scale.BuildColourScale();
  RecordingCanvas canvas;
  PanelDrawing drawing(canvas, scale.TextAnchorColour);
  ColourLegend legend;
  legend.DrawColourLegend(drawing, scale, "Yu Gothic UI");
  const std::vector<Call> first = canvas.calls;
  legend.DrawColourLegend(drawing, scale, "Yu Gothic UI");
  ASSERT_EQ(canvas.calls.size(), 2 * first.size());
  ExpectSameCalls(
      std::vector<Call>(canvas.calls.begin() + static_cast<long>(first.size()), canvas.calls.end()),
      first);
}

TEST(ColourLegend, KeepsTheWindowFont) {
  ColourScale scale;
  scale.BuildColourScale();
  RecordingCanvas canvas;
  PanelDrawing drawing(canvas, scale.TextAnchorColour);
  ColourLegend legend;
  legend.DrawColourLegend(drawing, scale, "Meiryo UI");
  ExpectSameCalls(canvas.calls, ExpectedLegend(scale, "Meiryo UI"));
}

TEST(ColourLegend, FollowsTheLevelCountThresholdsAndColoursOfTheScale) {
  ColourScale scale;
  scale.LevelCount = 4;
  const double thresholds[] = {0.0, 0.25, 2.0, 7.5};
  for (int i = 0; i < 4; ++i)
    scale.LevelThreshold[i] = thresholds[i];
  for (int j = 1; j <= 4; ++j)
    scale.LevelColour[j] = static_cast<PackedColour>(100 * j);
  scale.OutlineColour = 77;
  RecordingCanvas canvas;
  PanelDrawing drawing(canvas, kAnchor);
  ColourLegend legend;
  legend.DrawColourLegend(drawing, scale, "Yu Gothic UI");

  const LegendLayout layout(4);
  const auto f = [](double twips) { return static_cast<float>(twips); };
  std::vector<Call> fills;
  std::vector<std::string> texts;
  for (const Call& call : canvas.calls) {
    if (call.what == "fill") fills.push_back(call);
    if (call.what == "print") texts.push_back(call.text);
  }
  ASSERT_EQ(fills.size(), 4u);
  for (int j = 1; j <= 4; ++j) {
    EXPECT_EQ(fills[j - 1], Fill(f(layout.from[j - 1]), f(layout.top), f(layout.to[j - 1]),
                                 f(layout.bottom), static_cast<PackedColour>(100 * j)));
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"<", " .25 ", " 2 ", " 7.5 ", "<  (g/m3)"}));
  EXPECT_EQ(canvas.calls.back(), Outline(f(layout.from.front()), f(layout.top), f(layout.to.back()),
                                         f(layout.bottom), 77));
}

}  // namespace
}  // namespace kurimo
