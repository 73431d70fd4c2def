#include "report_page.h"

#include <QBuffer>
#include <QChart>
#include <QCoreApplication>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>
#include <algorithm>

#include "atomic_file.h"
#include "chart_window.h"
#include "colour_legend.h"
#include "kurimo_version.h"
#include "look.h"
#include "number_text.h"
#include "panel_widget.h"
#include "qt_text.h"

namespace kurimo {
namespace {

// The window's panel is drawn at 96 dots per inch: one of its pixels is 15 twips.
constexpr double kTwipsPerPanelPixel = 1440.0 / 96.0;

// The part of the window's panel that the page shows: the arrows above the groups, the
// seven coloured groups and the legend below them (twips).
constexpr double kSchematicLeft = 420;
constexpr double kSchematicTop = 3560;
constexpr double kSchematicRight = 5900;
constexpr double kSchematicBottom = 5820;

// The colours of the window's headings and labels, so that the page reads like it.
const QColor kHeading(255, 192, 128);
const QColor kConditions(192, 255, 192);
const QColor kMultipliers(192, 255, 255);
const QColor kIndicators(255, 192, 255);
const QColor kResult(128, 255, 255);
const QColor kRule(160, 160, 160);
const QColor kGroupEdge(96, 96, 96);

QFont PageFont(double points, bool bold = false) {
  QFont font(kWindowFontFace);
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

// Lengths on the page in millimetres, converted to the painter's units.
class PageUnits {
 public:
  PageUnits(const QPainter& painter, const QRectF& page)
      : perMm_(painter.device()->logicalDpiX() / 25.4), page_(page) {}
  double operator()(double mm) const { return mm * perMm_; }
  double X(double mm) const { return page_.left() + mm * perMm_; }
  double Y(double mm) const { return page_.top() + mm * perMm_; }
  double WidthMm() const { return page_.width() / perMm_; }
  double HeightMm() const { return page_.height() / perMm_; }
  QRectF Rect(double x, double y, double w, double h) const {
    return {X(x), Y(y), (*this)(w), (*this)(h)};
  }

 private:
  double perMm_;
  QRectF page_;
};

constexpr double kRow = 5.0;      // mm, one table row
constexpr double kHeadRow = 5.6;  // mm, a table's heading

// A table with a coloured heading band and label/value rows; returns the y below it (mm).
double DrawTable(QPainter& painter, const PageUnits& mm, double x, double y, double width,
                 const QString& heading, const QColor& colour, const std::vector<ReportItem>& items,
                 double labelShare) {
  painter.setPen(Qt::NoPen);
  painter.setBrush(colour);
  painter.drawRect(mm.Rect(x, y, width, kHeadRow));
  painter.setPen(Qt::black);
  painter.setFont(PageFont(9.5, true));
  painter.drawText(mm.Rect(x + 1.5, y, width - 3, kHeadRow), Qt::AlignLeft | Qt::AlignVCenter,
                   heading);
  y += kHeadRow;
  const double labelWidth = width * labelShare;
  for (const ReportItem& item : items) {
    painter.setFont(PageFont(9));
    painter.setPen(Qt::black);
    painter.drawText(mm.Rect(x + 1.5, y, labelWidth - 1.5, kRow), Qt::AlignLeft | Qt::AlignVCenter,
                     ToQString(item.label));
    painter.drawText(mm.Rect(x + labelWidth, y, width - labelWidth - 1.5, kRow),
                     Qt::AlignRight | Qt::AlignVCenter, ToQString(item.value));
    y += kRow;
    painter.setPen(QPen(kRule, mm(0.15)));
    painter.drawLine(QPointF(mm.X(x), mm.Y(y)), QPointF(mm.X(x + width), mm.Y(y)));
  }
  return y;
}

// The five bay boxes: label, final concentration, steady state; returns the y below.
double DrawBoxTable(QPainter& painter, const PageUnits& mm, double x, double y, double width,
                    const std::vector<ReportBox>& boxes) {
  const double columns[] = {0.0, 0.44, 0.72, 1.0};  // shares of the width
  const QString heads[] = {QStringLiteral("湾内ボックス"), QStringLiteral("計算終了時(g/m3)"),
                           QStringLiteral("定常状態(g/m3)")};
  painter.setPen(Qt::NoPen);
  painter.setBrush(kResult);
  painter.drawRect(mm.Rect(x, y, width, kHeadRow));
  painter.setPen(Qt::black);
  painter.setFont(PageFont(8.5, true));
  for (int c = 0; c < 3; ++c) {
    const double left = x + width * columns[c];
    const double cell = width * (columns[c + 1] - columns[c]);
    painter.drawText(mm.Rect(left + 1.5, y, cell - 3, kHeadRow),
                     (c == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter, heads[c]);
  }
  y += kHeadRow;
  painter.setFont(PageFont(9));
  for (const ReportBox& box : boxes) {
    const QString cells[] = {ToQString(box.label), ToQString(box.final), ToQString(box.steady)};
    painter.setPen(Qt::black);
    for (int c = 0; c < 3; ++c) {
      const double left = x + width * columns[c];
      const double cell = width * (columns[c + 1] - columns[c]);
      painter.drawText(mm.Rect(left + 1.5, y, cell - 3, kRow),
                       (c == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter, cells[c]);
    }
    y += kRow;
    painter.setPen(QPen(kRule, mm(0.15)));
    painter.drawLine(QPointF(mm.X(x), mm.Y(y)), QPointF(mm.X(x + width), mm.Y(y)));
  }
  return y;
}

// A heading across the page; returns the y below it.
double DrawSectionHeading(QPainter& painter, const PageUnits& mm, double y, const QString& text) {
  painter.setPen(Qt::NoPen);
  painter.setBrush(kHeading);
  painter.drawRect(mm.Rect(0, y, mm.WidthMm(), kHeadRow + 0.4));
  painter.setPen(Qt::black);
  painter.setFont(PageFont(10.5, true));
  painter.drawText(mm.Rect(1.5, y, mm.WidthMm() - 3, kHeadRow + 0.4),
                   Qt::AlignLeft | Qt::AlignVCenter, text);
  return y + kHeadRow + 0.4;
}

bool IsDark(PackedColour colour) {
  return 299 * RedOf(colour) + 587 * GreenOf(colour) + 114 * BlueOf(colour) < 110000;
}

// The river, the five bay boxes and the open sea as the window's panel shows them, each
// box with its concentration, then the colour legend by the panel's own drawing code.
void DrawSchematic(QPainter& painter, const QRectF& area, const ReportContent& report) {
  const double perTwip = std::min(area.width() / (kSchematicRight - kSchematicLeft),
                                  area.height() / (kSchematicBottom - kSchematicTop));
  const double usedWidth = perTwip * (kSchematicRight - kSchematicLeft);
  const QPointF origin(area.left() + (area.width() - usedWidth) / 2 - kSchematicLeft * perTwip,
                       area.top() - kSchematicTop * perTwip);
  // The panel's 7.5-point text at the page's scale: a twip of the panel is 1/1440 inch.
  const double zoom = perTwip / (painter.device()->logicalDpiY() / 1440.0);
  auto scaled = [zoom](double points, bool bold = false) { return PageFont(points * zoom, bold); };
  PainterCanvas canvas(painter, origin, perTwip, scaled(7.5));

  canvas.TextInBox(840, 3600, 1332, 3852, QStringLiteral("⇒"), Qt::AlignCenter, scaled(12, true));
  canvas.TextInBox(1340, 3600, 2700, 3852, QStringLiteral("(河川から流入）"),
                   Qt::AlignLeft | Qt::AlignVCenter, scaled(7.5));
  canvas.TextInBox(4440, 3600, 4932, 3852, QStringLiteral("⇒"), Qt::AlignCenter, scaled(12, true));
  canvas.TextInBox(4940, 3600, 6000, 3852, QStringLiteral("(外海へ流出)"),
                   Qt::AlignLeft | Qt::AlignVCenter, scaled(7.5));

  struct Group {
    int group;
    float left, top, width, height;
    const char* caption;
  };
  const Group groups[] = {{kInflowGroup, 480, 4080, 852, 612, "(流入水)"},
                          {1, 1320, 3840, 732, 1452, nullptr},
                          {2, 2040, 3840, 732, 1452, nullptr},
                          {3, 2760, 3840, 732, 1452, "（湾内水）"},
                          {4, 3480, 3840, 732, 1452, nullptr},
                          {5, 4200, 3840, 732, 1452, nullptr},
                          {kOpenSeaGroup, 4920, 3840, 852, 1452, "(外海水)"}};
  canvas.SetPenWidth(1);
  for (const Group& g : groups) {
    const float right = g.left + g.width;
    const float bottom = g.top + g.height;
    const PackedColour colour = report.groupColours[g.group];
    const QColor ink = IsDark(colour) ? Qt::white : Qt::black;
    canvas.FillBox(g.left, g.top, right, bottom, colour);
    canvas.OutlineBox(g.left, g.top, right, bottom,
                      PackColour(kGroupEdge.red(), kGroupEdge.green(), kGroupEdge.blue()));
    painter.setPen(ink);
    if (g.caption != nullptr) {
      const bool bay = g.group <= kLastBayGroup;
      canvas.TextInBox(g.left + 40, g.top + 15, right - 30, g.top + 252,
                       QString::fromUtf8(g.caption),
                       (bay ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop, scaled(7.5));
    }
    if (g.group <= kLastBayGroup) {
      painter.setPen(ink);
      canvas.TextInBox(g.left, g.top + 420, right, g.top + 700,
                       QStringLiteral("ボックス%1").arg(g.group), Qt::AlignCenter, scaled(7));
      const std::string value = NumberToText(RoundHalfEven(report.boxValues[g.group], 2));
      canvas.TextInBox(g.left, g.top + 700, right, g.top + 1000, ToQString(value).trimmed(),
                       Qt::AlignCenter, scaled(9, true));
    }
  }

  PanelDrawing drawing(canvas, report.scale.TextAnchorColour);
  ColourLegend legend;
  legend.DrawColourLegend(drawing, report.scale, kWindowFontFace.toStdString());
}

// The chart window's chart of the run, rendered into `area`.
void DrawChart(QPainter& painter, const QRectF& area, const ReportContent& report) {
  ChartWindow window(nullptr);
  window.ShowRecord(report.run);
  QChart* chart = window.Chart();
  // Laid out at a screen size of the same proportions, then scaled onto the page, so that
  // its fonts keep their size relative to the chart.
  const double width = 720;
  const QSizeF size(width, width * area.height() / area.width());
  chart->setGeometry(QRectF(QPointF(0, 0), size));
  // The chart lays itself out on posted events; let them run before it is drawn.
  QCoreApplication::sendPostedEvents();
  if (chart->layout() != nullptr) chart->layout()->activate();
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  chart->scene()->render(&painter, area, QRectF(QPointF(0, 0), size));
  painter.restore();
}

}  // namespace

PainterCanvas::PainterCanvas(QPainter& painter, QPointF origin, double perTwip, const QFont& font)
    : painter_(painter),
      origin_(origin),
      perTwip_(perTwip),
      font_(font),
      penWidth_(perTwip * kTwipsPerPanelPixel) {}

QRectF PainterCanvas::Rect(float x1, float y1, float x2, float y2) const {
  const double left = origin_.x() + perTwip_ * std::min(x1, x2);
  const double top = origin_.y() + perTwip_ * std::min(y1, y2);
  return {left, top, perTwip_ * std::abs(x2 - x1), perTwip_ * std::abs(y2 - y1)};
}

QPen PainterCanvas::Pen(PackedColour colour) const {
  QPen pen(ToQColor(colour));
  pen.setWidthF(penWidth_);
  pen.setStyle(penStyle_);
  pen.setJoinStyle(Qt::MiterJoin);
  return pen;
}

void PainterCanvas::FillBox(float x1, float y1, float x2, float y2, PackedColour colour) {
  const QRectF box = Rect(x1, y1, x2, y2);
  painter_.fillRect(box, ToQColor(colour));
  painter_.setPen(Pen(colour));
  painter_.setBrush(Qt::NoBrush);
  painter_.drawRect(box);
}

void PainterCanvas::OutlineBox(float x1, float y1, float x2, float y2, PackedColour colour) {
  painter_.setPen(Pen(colour));
  painter_.setBrush(Qt::NoBrush);
  painter_.drawRect(Rect(x1, y1, x2, y2));
}

void PainterCanvas::PlotPoint(float x, float y, PackedColour colour) {
  textPosition_ = QPointF(origin_.x() + perTwip_ * x, origin_.y() + perTwip_ * y);
  const double side = penWidth_;
  painter_.fillRect(QRectF(textPosition_.x() - side / 2, textPosition_.y() - side / 2, side, side),
                    ToQColor(colour));
}

void PainterCanvas::PrintLine(std::string_view text) {
  painter_.setFont(font_);
  painter_.setPen(Qt::black);
  const QFontMetricsF metrics(font_, painter_.device());
  painter_.drawText(QPointF(textPosition_.x(), textPosition_.y() + metrics.ascent()),
                    ToQString(text));
  textPosition_ = QPointF(origin_.x(), textPosition_.y() + metrics.height());
}

void PainterCanvas::SetFontName(std::string_view name) {
  font_.setFamily(ToQString(name));
}

void PainterCanvas::SetPenWidth(std::int16_t pixels) {
  penWidth_ = std::max<int>(1, pixels) * kTwipsPerPanelPixel * perTwip_;
}

void PainterCanvas::SetPenStyle(std::int16_t style) {
  penStyle_ = ToQtPenStyle(style);
}

void PainterCanvas::TextInBox(float x1, float y1, float x2, float y2, const QString& text,
                              Qt::Alignment alignment, const QFont& font) {
  painter_.setFont(font);
  painter_.drawText(Rect(x1, y1, x2, y2), static_cast<int>(alignment), text);
}

void PaintReport(QPainter& painter, const QRectF& page, const ReportContent& report) {
  const PageUnits mm(painter, page);
  const double width = mm.WidthMm();
  painter.save();

  painter.setPen(Qt::black);
  painter.setFont(PageFont(15, true));
  painter.drawText(mm.Rect(0, 0, width, 9), Qt::AlignLeft | Qt::AlignVCenter,
                   ToQString(report.title));
  painter.setFont(PageFont(9));
  painter.drawText(mm.Rect(0, 9.5, width, 5.5), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("作成日時: ") + ToQString(report.createdAt) +
                       QStringLiteral("　　ケース: ") + ToQString(report.caseName));
  painter.drawText(mm.Rect(0, 9.5, width, 5.5), Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("Kurimo バージョン ") + QString::fromLatin1(kVersion));
  painter.setPen(QPen(Qt::black, mm(0.3)));
  painter.drawLine(QPointF(mm.X(0), mm.Y(16)), QPointF(mm.X(width), mm.Y(16)));

  // The case: conditions and multipliers on the left, what follows from them on the right.
  const double gap = 6;
  const double column = (width - gap) / 2;
  double y = DrawSectionHeading(painter, mm, 18, QStringLiteral("計算条件"));
  y += 1;
  double left = DrawTable(painter, mm, 0, y, column, QStringLiteral("基本条件（入力値）"),
                          kConditions, report.conditions, 0.6);
  left = DrawTable(painter, mm, 0, left + 1.5, column, QStringLiteral("倍率"), kMultipliers,
                   report.multipliers, 0.6);
  double right = DrawTable(painter, mm, column + gap, y, column, QStringLiteral("計算で求めた値"),
                           kConditions, report.computed, 0.66);
  right = DrawTable(painter, mm, column + gap, right + 1.5, column, QStringLiteral("水質指標"),
                    kIndicators, report.indicators, 0.66);
  y = std::max(left, right) + 2.5;

  // The result: the figures on the left, the five boxes on the right.
  y = DrawSectionHeading(painter, mm, y, QStringLiteral("計算結果"));
  y += 1;
  left =
      DrawTable(painter, mm, 0, y, column, QStringLiteral("湾全体"), kResult, report.result, 0.52);
  right = DrawBoxTable(painter, mm, column + gap, y, column, report.boxes);
  y = std::max(left, right) + 1;
  painter.setPen(Qt::black);
  painter.setFont(PageFont(8.5));
  for (const std::string& note : report.notes) {
    const QRectF box = mm.Rect(0, y, width, 10);
    QRectF used;
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                     QStringLiteral("※ ") + ToQString(note), &used);
    y += used.height() / mm(1) + 0.8;
  }
  y += 1.5;

  // The pictures: the schematic with its legend, then the chart fills the rest.
  y = DrawSectionHeading(painter, mm, y, QStringLiteral("湾内の水質分布と時間変化"));
  const double schematicHeight = 48;
  DrawSchematic(painter, mm.Rect(0, y + 2, width, schematicHeight), report);
  y += 2 + schematicHeight + 2;
  const double chartHeight = std::max(40.0, mm.HeightMm() - y);
  DrawChart(painter, mm.Rect(0, y, width, chartHeight), report);

  painter.restore();
}

QByteArray ReportPdfBytes(const ReportContent& report) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly)) return {};
  {
    QPdfWriter writer(&buffer);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
    writer.setResolution(300);
    writer.setTitle(ToQString(report.title));
    writer.setCreator(QStringLiteral("Kurimo ") + QString::fromLatin1(kVersion));
    QPainter painter;
    if (!painter.begin(&writer)) return {};
    PaintReport(painter, QRectF(QPointF(0, 0), writer.pageLayout().paintRectPixels(300).size()),
                report);
    if (!painter.end()) return {};
  }
  buffer.close();
  return bytes;
}

std::optional<std::string> WriteReportPdfFile(const std::string& path,
                                              const ReportContent& report) {
  if (path.empty()) return std::string(kEmptyFileNameReason);
  const QByteArray bytes = ReportPdfBytes(report);
  if (bytes.isEmpty()) return std::string("PDFを作れませんでした");
  return WriteFileAtomically(
      path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

bool PrintReportOn(QPrinter& printer, const ReportContent& report) {
  printer.setDocName(ToQString(report.title));
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
  PaintReport(painter, QRectF(QPointF(0, 0), page.size()), report);
  return painter.end();
}

}  // namespace kurimo
