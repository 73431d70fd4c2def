// Drawing on the window's inner panel, in twips (1/1440 inch, origin top-left, y down).
// The panel keeps what is drawn: nothing is erased, and the picture survives covering and
// resizing. The legend draws only through PanelDrawing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "colour_scale.h"

namespace kurimo {

// What the platform's panel does; coordinates already in single precision.
class Canvas {
 public:
  virtual ~Canvas() = default;
  // Rectangle with corners (x1, y1) and (x2, y2), filled solid, edge in the same colour.
  virtual void FillBox(float x1, float y1, float x2, float y2, PackedColour colour) = 0;
  // The rectangle's edge only, in the current pen width and style.
  virtual void OutlineBox(float x1, float y1, float x2, float y2, PackedColour colour) = 0;
  // One point in the current pen width; it also becomes the current text position.
  virtual void PlotPoint(float x, float y, PackedColour colour) = 0;
  // Prints text with its top-left corner at the current position, in the panel's
  // foreground colour on a transparent background, then moves the current position to
  // the left edge, one text line lower.
  virtual void PrintLine(std::string_view text) = 0;
  virtual void SetFontName(std::string_view name) = 0;  // size, weight and script stay
  virtual void SetPenWidth(std::int16_t pixels) = 0;
  virtual void SetPenStyle(std::int16_t style) = 0;  // 0 = solid
};

// A value to print: a number prints as NumberToText gives it followed by one blank
// (" .5 "), a text prints unchanged.
using DrawValue = std::variant<double, std::string_view>;

// The drawing operations the legend uses. Each takes plain doubles, as the legend computes
// them, and converts them itself: coordinates to single precision, colours to packed
// colours and the pen's width and style to 16-bit integers, rounding halves to even.
class PanelDrawing {
 public:
  PanelDrawing(Canvas& canvas, PackedColour textAnchorColour)
      : canvas_(canvas), textAnchorColour_(textAnchorColour) {}

  void DrawBoxOutline(double x1, double y1, double x2, double y2, double colour);
  void DrawFilledBox(double x1, double y1, double x2, double y2, double colour);
  // A grey anchor point at (x, y), then the value printed there.
  void DrawValueAt(double x, double y, DrawValue value);
  void DrawTextAt(double x, double y, DrawValue value);
  void SetDrawFontName(std::string_view name);
  void SetDrawWidth(double width);
  void SetDrawStyle(double style);

 private:
  Canvas& canvas_;
  PackedColour textAnchorColour_;
};

// The printed form of a value (see DrawValue).
std::string DrawnText(DrawValue value);

}  // namespace kurimo
