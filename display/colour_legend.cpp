#include "colour_legend.h"

#include <utility>

namespace kurimo {

void ColourLegend::DrawColourLegend(PanelDrawing& drawing, const ColourScale& scale,
                                    std::string windowFontFace) {
  const double LegendZoom = 1;
  const double LegendUnit = 5.67 * LegendZoom;  // twips per legend unit

  drawing.SetDrawWidth(2);  // pixels
  drawing.SetDrawStyle(0);  // solid

  const std::string LegendFontName = std::move(windowFontFace);
  drawing.SetDrawFontName(LegendFontName);

  const std::string unitText = "(g/m3)";

  // Layout in twips. The formulas keep their written grouping: the results are drawn in
  // single precision, and a regrouped sum can land on a different float.
  const double u = LegendUnit;
  const double left = 20 * u + 100 * u;
  const double barTop = 60 * u + 925.0f * u;  // 925 is held in single precision, exactly
  const double cellWidth = (800.0 / scale.LevelCount) * u;
  const double barHeight = 30 * u;
  const double barBottom = barTop + barHeight;
  // The first slot, left .. left + cellWidth, stays empty.
  const double barLeft = left + cellWidth;

  double x = left;
  double right = left;
  for (int j = 1; j <= scale.LevelCount; ++j) {
    x = x + cellWidth;
    right = x + cellWidth;
    drawing.DrawFilledBox(x, barTop, right, barBottom, scale.LevelColour[j]);

    // Each threshold stands above the boundary on the cell's right, 40 units above the bar.
    const double labelX = right - 20 * u;
    const double labelY = barBottom - 70 * u;
    if (j == 1) drawing.DrawTextAt(labelX - 40 * u, labelY, "<");
    if (j < scale.LevelCount) {
      drawing.DrawValueAt(labelX, labelY, scale.LevelThreshold[j]);
    } else {
      // The unit, 50 units right of the last cell's left edge.
      drawing.DrawTextAt((labelX - cellWidth) + 70 * u, labelY, "<  " + unitText);
    }
  }

  // The frame goes on last, over the cells' edges.
  drawing.DrawBoxOutline(barLeft, barTop, right, barBottom, scale.OutlineColour);
}

}  // namespace kurimo
