// The sensitivity of the bay mean to each multiplier alone: a chart of the mean against
// the factor, one line per list with the current case marked, and the same figures in a
// table.
#pragma once

#include <QWidget>
#include <array>

#include "window_ops.h"

class QChart;
class QLineSeries;
class QScatterSeries;
class QTableWidget;
class QValueAxis;

namespace kurimo {

class SensitivityWindow final : public QWidget {
 public:
  explicit SensitivityWindow(QWidget* parent);
  void ShowFigures(const SensitivityFigures& figures);

  QChart* Chart() const { return chart_; }
  QLineSeries* ListSeries(MultiplierList list) const { return lines_[static_cast<int>(list)]; }
  QScatterSeries* CurrentCase() const { return current_; }
  QTableWidget* Table() const { return table_; }
  QValueAxis* FactorAxis() const { return factorAxis_; }
  QValueAxis* MeanAxis() const { return meanAxis_; }

 private:
  QChart* chart_ = nullptr;
  std::array<QLineSeries*, 3> lines_{};
  QScatterSeries* current_ = nullptr;
  QValueAxis* factorAxis_ = nullptr;
  QValueAxis* meanAxis_ = nullptr;
  QTableWidget* table_ = nullptr;
};

}  // namespace kurimo
