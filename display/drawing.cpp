#include "drawing.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "number_text.h"

namespace kurimo {

namespace {

float ToSingle(double coordinate) {
  return static_cast<float>(coordinate);
}

// Nearest integer, halves to even, held within [low, high] so that the conversion is
// always defined; the legend's values are far inside.
double RoundedWithin(double value, double low, double high) {
  return std::clamp(RoundHalfEven(value, 0), low, high);
}

PackedColour ToPackedColour(double colour) {
  return static_cast<PackedColour>(
      RoundedWithin(colour, 0.0, std::numeric_limits<PackedColour>::max()));
}

std::int16_t ToInt16(double value) {
  return static_cast<std::int16_t>(RoundedWithin(value, std::numeric_limits<std::int16_t>::min(),
                                                 std::numeric_limits<std::int16_t>::max()));
}

}  // namespace

void PanelDrawing::DrawBoxOutline(double x1, double y1, double x2, double y2, double colour) {
  canvas_.OutlineBox(ToSingle(x1), ToSingle(y1), ToSingle(x2), ToSingle(y2),
                     ToPackedColour(colour));
}

void PanelDrawing::DrawFilledBox(double x1, double y1, double x2, double y2, double colour) {
  canvas_.FillBox(ToSingle(x1), ToSingle(y1), ToSingle(x2), ToSingle(y2), ToPackedColour(colour));
}

void PanelDrawing::DrawValueAt(double x, double y, DrawValue value) {
  // The point moves the current text position to (x, y), so every text is placed by its
  // own point and never by the line break of the one before.
  canvas_.PlotPoint(ToSingle(x), ToSingle(y), textAnchorColour_);
  canvas_.PrintLine(DrawnText(value));
}

void PanelDrawing::DrawTextAt(double x, double y, DrawValue value) {
  DrawValueAt(x, y, value);
}

void PanelDrawing::SetDrawFontName(std::string_view name) {
  canvas_.SetFontName(name);
}

void PanelDrawing::SetDrawWidth(double width) {
  canvas_.SetPenWidth(ToInt16(width));
}

void PanelDrawing::SetDrawStyle(double style) {
  canvas_.SetPenStyle(ToInt16(style));
}

std::string DrawnText(DrawValue value) {
  if (const double* number = std::get_if<double>(&value)) return NumberToText(*number) + " ";
  return std::string(std::get<std::string_view>(value));
}

}  // namespace kurimo
