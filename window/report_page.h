// The report's page in Qt: one A4 page painted with QPainter, the same for a PDF file and a
// printer. The schematic and its legend are drawn through a Canvas on the painter, the
// legend by the same code that draws it on the window's panel; the chart is the chart
// window's own, rendered onto the page.
#pragma once

#include <QByteArray>
#include <QFont>
#include <QPainter>
#include <optional>
#include <string>

#include "drawing.h"
#include "report_content.h"

class QPrinter;

namespace kurimo {

// A Canvas that draws with a painter: twips from `origin` (in the painter's coordinates),
// `perTwip` painter units a twip, text in `font` (its size already meant for the page).
class PainterCanvas final : public Canvas {
 public:
  PainterCanvas(QPainter& painter, QPointF origin, double perTwip, const QFont& font);

  void FillBox(float x1, float y1, float x2, float y2, PackedColour colour) override;
  void OutlineBox(float x1, float y1, float x2, float y2, PackedColour colour) override;
  void PlotPoint(float x, float y, PackedColour colour) override;
  void PrintLine(std::string_view text) override;
  void SetFontName(std::string_view name) override;
  void SetPenWidth(std::int16_t pixels) override;
  void SetPenStyle(std::int16_t style) override;

  // A text inside the rectangle with corners (x1, y1) and (x2, y2), aligned as asked.
  void TextInBox(float x1, float y1, float x2, float y2, const QString& text,
                 Qt::Alignment alignment, const QFont& font);

 private:
  QRectF Rect(float x1, float y1, float x2, float y2) const;
  QPen Pen(PackedColour colour) const;

  QPainter& painter_;
  QPointF origin_;
  double perTwip_;
  QFont font_;
  double penWidth_;  // painter units: a pixel of the window's panel, at the page's scale
  Qt::PenStyle penStyle_ = Qt::SolidLine;
  QPointF textPosition_;
};

// Paints the whole report into `page` (the painter's coordinates). The painter's device
// decides the scale: fonts are set in points.
void PaintReport(QPainter& painter, const QRectF& page, const ReportContent& report);

// The report as the bytes of a one-page A4 PDF file; empty when it could not be made.
QByteArray ReportPdfBytes(const ReportContent& report);

// Writes the report as a PDF file at path: made whole in memory first, then put in place
// of any earlier file only once complete. No value on success, or the reason for the
// failure in words for the user.
std::optional<std::string> WriteReportPdfFile(const std::string& path, const ReportContent& report);

// Prints the report on a printer that has been set up; false when printing cannot start.
bool PrintReportOn(QPrinter& printer, const ReportContent& report);

}  // namespace kurimo
