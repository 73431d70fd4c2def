// The inner panel: a white widget that keeps everything drawn on it in an image of its
// own, so the legend survives covering and resizing without being drawn again.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QWidget>

#include "drawing.h"
#include "twips.h"

namespace kurimo {

class PanelWidget final : public QWidget, public Canvas {
 public:
  PanelWidget(QWidget* parent, TwipsScale scale);

  // Makes the drawing image as large as the widget; what was drawn is kept.
  void PrepareImage();
  const QImage& Image() const { return image_; }
  // The font that text is drawn in until SetFontName changes its face.
  void SetDrawFont(const QFont& font) { drawFont_ = font; }

  void FillBox(float x1, float y1, float x2, float y2, PackedColour colour) override;
  void OutlineBox(float x1, float y1, float x2, float y2, PackedColour colour) override;
  void PlotPoint(float x, float y, PackedColour colour) override;
  void PrintLine(std::string_view text) override;
  void SetFontName(std::string_view name) override;
  void SetPenWidth(std::int16_t pixels) override;
  void SetPenStyle(std::int16_t style) override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QRectF TwipsRect(float x1, float y1, float x2, float y2) const;
  QPen Pen(PackedColour colour) const;

  TwipsScale scale_;
  QImage image_;
  QFont drawFont_;
  int penWidth_ = 1;
  Qt::PenStyle penStyle_ = Qt::SolidLine;
  QPointF textPosition_;  // pixels
};

QColor ToQColor(PackedColour colour);
// The drawing operations' pen styles 0 to 5: solid, dash, dot, dash-dot, dash-dot-dot,
// none; any other is solid.
Qt::PenStyle ToQtPenStyle(std::int16_t style);

}  // namespace kurimo
