// The key to the colour scale: a bar of the level colours from white to red, framed in
// black, with the thresholds above the boundaries between cells and the unit after the
// last one. Laid out in legend units of 5.67 twips (about a tenth of a millimetre).
#pragma once

#include <string>

#include "colour_scale.h"
#include "drawing.h"

namespace kurimo {

class ColourLegend {
 public:
  // Draws the legend for a built scale. Never erases: drawing twice paints the same
  // picture over the first. The text is in `windowFontFace`, the window's own font face.
  void DrawColourLegend(PanelDrawing& drawing, const ColourScale& scale,
                        std::string windowFontFace);
};

}  // namespace kurimo
