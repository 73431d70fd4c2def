// The load-reduction dialog: a box for the target bay mean and the figures that reach it.
// It only shows the texts the form gives it and passes the box's edits and the button on
// to the form; the form works out the figures.
#pragma once

#include <QDialog>
#include <array>

#include "window_ops.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kurimo {

class MainForm;

class TargetDialog final : public QDialog {
 public:
  TargetDialog(QWidget* parent, MainForm& form);
  void ShowView(const TargetView& view);

  QLineEdit* TargetBox() const { return target_; }
  QPushButton* ApplyButton() const { return apply_; }
  QLabel* Load() const { return load_; }
  QLabel* InflowQuality() const { return quality_; }
  QLabel* Reduction() const { return reduction_; }
  QLabel* SteadyBox(int box) const { return steady_[static_cast<std::size_t>(box - 1)]; }
  QLabel* Note() const { return note_; }

 private:
  QLineEdit* target_ = nullptr;
  QLabel* current_ = nullptr;
  QLabel* lowest_ = nullptr;
  QLabel* load_ = nullptr;
  QLabel* quality_ = nullptr;
  QLabel* reduction_ = nullptr;
  std::array<QLabel*, 5> steady_{};
  QLabel* note_ = nullptr;
  QPushButton* apply_ = nullptr;
};

}  // namespace kurimo
