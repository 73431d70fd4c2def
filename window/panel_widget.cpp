#include "panel_widget.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "qt_text.h"

namespace kurimo {

QColor ToQColor(PackedColour colour) {
  return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour));
}

Qt::PenStyle ToQtPenStyle(std::int16_t style) {
  static constexpr Qt::PenStyle kStyles[] = {Qt::SolidLine,   Qt::DashLine,       Qt::DotLine,
                                             Qt::DashDotLine, Qt::DashDotDotLine, Qt::NoPen};
  return style >= 0 && style <= 5 ? kStyles[style] : Qt::SolidLine;
}

PanelWidget::PanelWidget(QWidget* parent, TwipsScale scale) : QWidget(parent), scale_(scale) {}

void PanelWidget::PrepareImage() {
  const qreal ratio = devicePixelRatioF();
  const QSize pixels = size() * ratio;
  if (image_.size() == pixels) return;
  QImage grown(pixels, QImage::Format_RGB32);
  grown.setDevicePixelRatio(ratio);
  grown.fill(palette().color(QPalette::Window));
  if (!image_.isNull()) {
    QPainter painter(&grown);
    painter.drawImage(QPointF(0, 0), image_);
  }
  image_ = grown;
}

QRectF PanelWidget::TwipsRect(float x1, float y1, float x2, float y2) const {
  const double left = scale_.X(std::min(x1, x2));
  const double right = scale_.X(std::max(x1, x2));
  const double top = scale_.Y(std::min(y1, y2));
  const double bottom = scale_.Y(std::max(y1, y2));
  return {left, top, right - left, bottom - top};
}

QPen PanelWidget::Pen(PackedColour colour) const {
  QPen pen(ToQColor(colour));
  pen.setWidth(penWidth_);
  pen.setStyle(penStyle_);
  pen.setJoinStyle(Qt::MiterJoin);
  return pen;
}

void PanelWidget::FillBox(float x1, float y1, float x2, float y2, PackedColour colour) {
  PrepareImage();
  QPainter painter(&image_);
  const QRectF box = TwipsRect(x1, y1, x2, y2);
  painter.fillRect(box, ToQColor(colour));
  painter.setPen(Pen(colour));
  painter.drawRect(box);
  update();
}

void PanelWidget::OutlineBox(float x1, float y1, float x2, float y2, PackedColour colour) {
  PrepareImage();
  QPainter painter(&image_);
  painter.setPen(Pen(colour));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(TwipsRect(x1, y1, x2, y2));
  update();
}

void PanelWidget::PlotPoint(float x, float y, PackedColour colour) {
  PrepareImage();
  textPosition_ = QPointF(scale_.X(x), scale_.Y(y));
  QPainter painter(&image_);
  const double side = std::max(1, penWidth_);
  painter.fillRect(QRectF(textPosition_.x() - side / 2, textPosition_.y() - side / 2, side, side),
                   ToQColor(colour));
  update();
}

void PanelWidget::PrintLine(std::string_view text) {
  PrepareImage();
  QPainter painter(&image_);
  // Without anti-aliasing a text printed again over itself leaves the same pixels, so a
  // second drawing of the legend gives the same picture.
  QFont font = drawFont_;
  font.setStyleStrategy(QFont::NoAntialias);
  painter.setFont(font);
  painter.setPen(palette().color(QPalette::ButtonText));
  const QFontMetricsF metrics(font, &image_);
  painter.drawText(QPointF(textPosition_.x(), textPosition_.y() + metrics.ascent()),
                   ToQString(text));
  textPosition_ = QPointF(0, textPosition_.y() + metrics.height());
  update();
}

void PanelWidget::SetFontName(std::string_view name) {
  drawFont_.setFamily(ToQString(name));
}

void PanelWidget::SetPenWidth(std::int16_t pixels) {
  penWidth_ = std::max<int>(1, pixels);
}

void PanelWidget::SetPenStyle(std::int16_t style) {
  penStyle_ = ToQtPenStyle(style);
}

void PanelWidget::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), palette().color(QPalette::Window));
  if (!image_.isNull()) painter.drawImage(QPointF(0, 0), image_);
}

}  // namespace kurimo
