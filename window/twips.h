// Twips (1/1440 inch) to the screen's pixels, at the screen's logical dots per inch.
#pragma once

#include <QRect>
#include <cmath>

namespace kurimo {

class TwipsScale {
 public:
  TwipsScale(double dpiX, double dpiY) : perTwipX_(dpiX / 1440.0), perTwipY_(dpiY / 1440.0) {}

  double X(double twips) const { return twips * perTwipX_; }
  double Y(double twips) const { return twips * perTwipY_; }
  int PixelsX(double twips) const { return static_cast<int>(std::lround(X(twips))); }
  int PixelsY(double twips) const { return static_cast<int>(std::lround(Y(twips))); }
  int TwipsX(int pixels) const { return static_cast<int>(std::lround(pixels / perTwipX_)); }
  int TwipsY(int pixels) const { return static_cast<int>(std::lround(pixels / perTwipY_)); }

  // Edges are rounded, not sizes, so that controls that touch or overlap in twips still
  // touch or overlap on the screen.
  QRect Rect(int left, int top, int width, int height) const {
    const int x = PixelsX(left);
    const int y = PixelsY(top);
    return {x, y, PixelsX(left + width) - x, PixelsY(top + height) - y};
  }

 private:
  double perTwipX_;
  double perTwipY_;
};

}  // namespace kurimo
