#include "chart_window.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLocale>
#include <QPen>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "qt_text.h"

namespace kurimo {
namespace {

// Distinct colours from the head of the bay to the mouth.
const std::array<QColor, 5> kBoxColours = {QColor(200, 40, 40), QColor(230, 140, 0),
                                           QColor(40, 150, 40), QColor(0, 120, 200),
                                           QColor(110, 60, 170)};
const QColor kOpenSeaColour(20, 40, 120);  // the sea: dark blue, dotted
const QColor kSteadyKeyColour(110, 110, 110);

const std::array<QString, 5> kBoxNames = {
    QStringLiteral("ボックス1（湾奥）"), QStringLiteral("ボックス2"), QStringLiteral("ボックス3"),
    QStringLiteral("ボックス4"), QStringLiteral("ボックス5（湾口）")};

// The tick interval for an axis from 0 to `value`: 1, 2 or 5 times a power of ten that
// gives between 4 and 10 intervals.
double TickInterval(double value) {
  if (!(value > 0) || !std::isfinite(value)) return 1;
  const double power = std::pow(10.0, std::floor(std::log10(value)));
  for (double step : {0.1, 0.2, 0.5, 1.0}) {
    if (value / (step * power) <= 10) return step * power;
  }
  return power;
}

// Sets an axis to run from 0 to the first tick at or above `value`, with round ticks.
void SetRoundRange(QValueAxis* axis, double value) {
  const double interval = TickInterval(value);
  const double end = interval * std::ceil(value / interval);
  axis->setTickType(QValueAxis::TicksDynamic);
  axis->setTickAnchor(0);
  axis->setTickInterval(interval);
  axis->setRange(0, end > 0 ? end : interval);
}

// The day axis ends at the first half tick at or past the last day, labelled there, so
// that it ends with the data and not up to a whole tick interval later; the round ticks
// before it keep their labels unless the end's would crowd them.
void SetDayRange(QCategoryAxis* axis, double lastDay) {
  const double interval = TickInterval(lastDay);
  const double half = interval / 2;
  const double end = half * std::ceil(lastDay / half);
  for (const QString& label : axis->categoriesLabels())
    axis->remove(label);
  // The origin's label: a category from just below 0 that ends at 0.
  axis->setStartValue(-half * 1e-6);
  axis->append(QStringLiteral("0"), 0);
  for (double tick = interval; tick <= end - half; tick += interval)
    axis->append(QString::number(tick, 'g', 12), tick);
  axis->append(QString::number(end, 'g', 12), end);
  axis->setRange(0, end);
}

}  // namespace

ChartWindow::ChartWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("ChartWindow"));
  resize(760, 500);

  chart_ = new QChart();
  chart_->setTitle(QStringLiteral("湾内ボックスの濃度の時間変化"));
  chart_->legend()->setAlignment(Qt::AlignRight);
  chart_->setAnimationOptions(QChart::NoAnimation);

  dayAxis_ = new QCategoryAxis(chart_);
  dayAxis_->setTitleText(QStringLiteral("経過日数（日）"));
  dayAxis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  concentrationAxis_ = new QValueAxis(chart_);
  concentrationAxis_->setTitleText(QStringLiteral("濃度（g/m3）"));
  concentrationAxis_->setLabelFormat(QStringLiteral("%g"));
  chart_->addAxis(dayAxis_, Qt::AlignBottom);
  chart_->addAxis(concentrationAxis_, Qt::AlignLeft);

  auto add = [this](QLineSeries* series, const QString& name, const QColor& colour,
                    Qt::PenStyle style, qreal width) {
    series->setName(name);
    QPen pen(colour);
    pen.setStyle(style);
    pen.setWidthF(width);
    series->setPen(pen);
    chart_->addSeries(series);
    series->attachAxis(dayAxis_);
    series->attachAxis(concentrationAxis_);
  };
  for (int b = 0; b < 5; ++b) {
    boxes_[b] = new QLineSeries(chart_);
    add(boxes_[b], kBoxNames[b], kBoxColours[b], Qt::SolidLine, 2.0);
  }
  openSea_ = new QLineSeries(chart_);
  add(openSea_, QStringLiteral("外海水"), kOpenSeaColour, Qt::DotLine, 1.5);
  for (int b = 0; b < 5; ++b) {
    steady_[b] = new QLineSeries(chart_);
    // Added after the curves, so drawn over them, and darker, so that they still show
    // where a curve has reached its steady state.
    add(steady_[b], kBoxNames[b] + QStringLiteral(" 定常状態"), kBoxColours[b].darker(170),
        Qt::DashLine, 1.5);
  }
  // One grey legend entry stands for the five dashed lines, each in its box's colour.
  steadyKey_ = new QLineSeries(chart_);
  add(steadyKey_, QStringLiteral("定常状態（破線）"), kSteadyKeyColour, Qt::DashLine, 1.5);
  for (int b = 0; b < 5; ++b) {
    for (QLegendMarker* marker : chart_->legend()->markers(steady_[b]))
      marker->setVisible(false);
  }

  view_ = new QChartView(chart_, this);
  view_->setRenderHint(QPainter::Antialiasing);
  times_ = new QLabel(this);
  times_->setObjectName(QStringLiteral("Times"));
  times_->setContentsMargins(12, 4, 12, 6);
  times_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(view_);
  layout->addWidget(times_);
  SetCaseName(QStringLiteral("無題"));
}

void ChartWindow::SetCaseName(const QString& name) {
  setWindowTitle(QStringLiteral("時系列グラフ - %1 - Kurimo").arg(name));
  chart_->setTitle(QStringLiteral("湾内ボックスの濃度の時間変化（%1）").arg(name));
}

void ChartWindow::ShowRecord(const RunRecord& record) {
  SetCaseName(ToQString(record.caseName));
  // Both times, each under its own name: the fresh water's alone misleads about how
  // fast the bay renews itself.
  const QLocale grouped(QLocale::English);
  times_->setText(QStringLiteral("淡水の滞留時間 %1 日　　交換を含むフラッシング時間 %2 日")
                      .arg(grouped.toString(record.residenceTimeDays, 'f', 1),
                           grouped.toString(record.flushingTimeDays, 'f', 1)));
  const std::vector<SeriesPoint>& points = record.series.points;
  const double lastDay = points.empty() ? 0.0 : points.back().day;
  const double dayEnd = lastDay > 0 ? lastDay : 1.0;

  double highest = record.series.openSea;
  for (int b = 0; b < 5; ++b) {
    QList<QPointF> line;
    line.reserve(static_cast<qsizetype>(points.size()));
    for (const SeriesPoint& point : points) {
      line.append(QPointF(point.day, point.concentration[b]));
      if (std::isfinite(point.concentration[b]))
        highest = std::max(highest, point.concentration[b]);
    }
    boxes_[b]->replace(line);
    const double steady = record.steadyState[b];
    steady_[b]->replace({QPointF(0, steady), QPointF(dayEnd, steady)});
    if (std::isfinite(steady)) highest = std::max(highest, steady);
  }
  openSea_->replace({QPointF(0, record.series.openSea), QPointF(dayEnd, record.series.openSea)});

  SetDayRange(dayAxis_, dayEnd);
  SetRoundRange(concentrationAxis_, highest * 1.05);
}

}  // namespace kurimo
