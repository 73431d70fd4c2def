#include "sensitivity_window.h"

#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineSeries>
#include <QScatterSeries>
#include <QTableWidget>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "qt_text.h"
#include "sensitivity_text.h"

namespace kurimo {
namespace {

const std::array<QColor, 3> kListColours = {QColor(0, 110, 200), QColor(210, 80, 30),
                                            QColor(40, 150, 60)};

constexpr MultiplierList kLists[] = {MultiplierList::Section, MultiplierList::Quality,
                                     MultiplierList::Quantity};

}  // namespace

SensitivityWindow::SensitivityWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("SensitivityWindow"));
  setWindowTitle(QStringLiteral("感度分析 - Kurimo"));
  resize(980, 520);

  chart_ = new QChart();
  chart_->setTitle(QStringLiteral("倍率と湾内平均水質"));
  chart_->setAnimationOptions(QChart::NoAnimation);
  chart_->legend()->setAlignment(Qt::AlignBottom);
  factorAxis_ = new QValueAxis(chart_);
  factorAxis_->setTitleText(QStringLiteral("倍率（倍）"));
  factorAxis_->setRange(0, 5.25);
  factorAxis_->setTickType(QValueAxis::TicksDynamic);
  factorAxis_->setTickAnchor(0);
  factorAxis_->setTickInterval(1);
  factorAxis_->setMinorTickCount(1);
  factorAxis_->setLabelFormat(QStringLiteral("%g"));
  meanAxis_ = new QValueAxis(chart_);
  meanAxis_->setTitleText(QStringLiteral("湾内平均水質（g/m3）"));
  meanAxis_->setLabelFormat(QStringLiteral("%g"));
  chart_->addAxis(factorAxis_, Qt::AlignBottom);
  chart_->addAxis(meanAxis_, Qt::AlignLeft);

  for (MultiplierList list : kLists) {
    auto* line = new QLineSeries(chart_);
    line->setName(ToQString(MultiplierListName(list)));
    QPen pen(kListColours[static_cast<int>(list)]);
    pen.setWidthF(2);
    line->setPen(pen);
    line->setPointsVisible(true);
    chart_->addSeries(line);
    line->attachAxis(factorAxis_);
    line->attachAxis(meanAxis_);
    lines_[static_cast<int>(list)] = line;
  }
  current_ = new QScatterSeries(chart_);
  current_->setName(QStringLiteral("現在のケース"));
  current_->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
  current_->setMarkerSize(11);
  current_->setColor(Qt::black);
  current_->setBorderColor(Qt::black);
  chart_->addSeries(current_);
  current_->attachAxis(factorAxis_);
  current_->attachAxis(meanAxis_);

  auto* view = new QChartView(chart_, this);
  view->setRenderHint(QPainter::Antialiasing);

  table_ = new QTableWidget(this);
  table_->setColumnCount(4);
  table_->setHorizontalHeaderLabels({QStringLiteral("倍率の対象"), QStringLiteral("倍率"),
                                     QStringLiteral("湾内平均水質(g/m3)"), QStringLiteral("状態")});
  table_->verticalHeader()->setVisible(false);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  table_->horizontalHeader()->setStretchLastSection(true);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(view, 3);
  layout->addWidget(table_, 2);
}

void SensitivityWindow::ShowFigures(const SensitivityFigures& figures) {
  QList<QPointF> marks;
  double low = INFINITY, high = -INFINITY;
  int rows = 0;
  for (const auto& points : figures.lists)
    rows += static_cast<int>(points.size());
  table_->setRowCount(rows);

  int row = 0;
  for (MultiplierList list : kLists) {
    QList<QPointF> line;
    for (const SensitivityPoint& point : figures.lists[static_cast<int>(list)]) {
      const bool shown = std::isfinite(point.bayAverage);
      if (shown) {
        line.append(QPointF(point.factor, point.bayAverage));
        low = std::min(low, point.bayAverage);
        high = std::max(high, point.bayAverage);
        if (point.current) marks.append(QPointF(point.factor, point.bayAverage));
      }
      const QString mean = shown ? QString::number(point.bayAverage, 'f', 3) : QStringLiteral("－");
      const std::array<QString, 4> cells = {ToQString(MultiplierListName(list)),
                                            QStringLiteral("×") + ToQString(point.entry), mean,
                                            ToQString(CaseStatusText(point))};
      for (int column = 0; column < 4; ++column) {
        auto* item = new QTableWidgetItem(cells[column]);
        if (column == 1 || column == 2) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (point.current) {
          QFont bold = item->font();
          bold.setBold(true);
          item->setFont(bold);
        }
        table_->setItem(row, column, item);
      }
      ++row;
    }
    lines_[static_cast<int>(list)]->replace(line);
  }
  current_->replace(marks);
  table_->resizeColumnsToContents();

  if (!(low <= high)) {
    low = 0;
    high = 1;
  }
  const double margin = std::max((high - low) * 0.08, 0.05);
  meanAxis_->setRange(std::max(0.0, low - margin), high + margin);
  meanAxis_->applyNiceNumbers();
}

}  // namespace kurimo
