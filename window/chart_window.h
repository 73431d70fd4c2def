// The time-series chart of the last finished run: the five bay boxes' concentrations
// against days, the open-sea concentration as a reference line and each box's steady
// state as a dashed line in the box's colour.
#pragma once

#include <QWidget>
#include <array>

#include "window_ops.h"

class QCategoryAxis;
class QChart;
class QChartView;
class QLabel;
class QLineSeries;
class QValueAxis;

namespace kurimo {

class ChartWindow final : public QWidget {
 public:
  explicit ChartWindow(QWidget* parent);
  // Replaces the figures shown, and names their case.
  void ShowRecord(const RunRecord& record);
  // The case's name in the window's title and the chart's.
  void SetCaseName(const QString& name);

  QChart* Chart() const { return chart_; }
  QLineSeries* BoxSeries(int box) const { return boxes_[box - 1]; }  // box 1..5
  QLineSeries* SteadySeries(int box) const { return steady_[box - 1]; }
  QLineSeries* OpenSeaSeries() const { return openSea_; }
  QCategoryAxis* DayAxis() const { return dayAxis_; }
  QValueAxis* ConcentrationAxis() const { return concentrationAxis_; }
  QLabel* Times() const { return times_; }  // the residence and flushing times

 private:
  QChart* chart_ = nullptr;
  QChartView* view_ = nullptr;
  std::array<QLineSeries*, 5> boxes_{};
  std::array<QLineSeries*, 5> steady_{};
  QLineSeries* openSea_ = nullptr;
  QLineSeries* steadyKey_ = nullptr;  // no points: the legend's entry for the dashed lines
  QCategoryAxis* dayAxis_ = nullptr;
  QValueAxis* concentrationAxis_ = nullptr;
  QLabel* times_ = nullptr;
};

}  // namespace kurimo
