#include "target_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "main_form.h"
#include "qt_text.h"

namespace kurimo {
namespace {

QLabel* Figure(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setMinimumWidth(90);
  return label;
}

}  // namespace

TargetDialog::TargetDialog(QWidget* parent, MainForm& form) : QDialog(parent) {
  setObjectName(QStringLiteral("TargetDialog"));
  setWindowTitle(QStringLiteral("負荷削減の試算 - Kurimo"));
  setModal(false);

  auto* layout = new QVBoxLayout(this);
  auto* figures = new QFormLayout();
  figures->setLabelAlignment(Qt::AlignLeft);
  target_ = new QLineEdit(this);
  target_->setObjectName(QStringLiteral("TargetMean"));
  target_->setAlignment(Qt::AlignRight);
  figures->addRow(QStringLiteral("目標の湾内平均水質 (g/m3)"), target_);
  current_ = Figure(this);
  figures->addRow(QStringLiteral("現在の条件での定常の湾内平均水質 (g/m3)"), current_);
  lowest_ = Figure(this);
  figures->addRow(QStringLiteral("負荷 0 での湾内平均水質 (g/m3)"), lowest_);
  load_ = Figure(this);
  figures->addRow(QStringLiteral("許容負荷量 (g/s)"), load_);
  quality_ = Figure(this);
  figures->addRow(QStringLiteral("流入水質 (g/m3)"), quality_);
  reduction_ = Figure(this);
  figures->addRow(QStringLiteral("現在の負荷からの削減率 (%)"), reduction_);
  layout->addLayout(figures);

  layout->addWidget(new QLabel(QStringLiteral("目標でのボックス1〜5 の定常値 (g/m3)"), this));
  auto* boxes = new QGridLayout();
  for (int b = 0; b < 5; ++b) {
    boxes->addWidget(new QLabel(QStringLiteral("ボックス%1").arg(b + 1), this), 0, b,
                     Qt::AlignHCenter);
    steady_[static_cast<std::size_t>(b)] = Figure(this);
    steady_[static_cast<std::size_t>(b)]->setMinimumWidth(60);
    boxes->addWidget(steady_[static_cast<std::size_t>(b)], 1, b, Qt::AlignHCenter);
  }
  layout->addLayout(boxes);

  note_ = new QLabel(this);
  note_->setWordWrap(true);
  layout->addWidget(note_);

  auto* buttons = new QDialogButtonBox(this);
  apply_ =
      buttons->addButton(QStringLiteral("この水質を流入水質に入力"), QDialogButtonBox::ApplyRole);
  QPushButton* close = buttons->addButton(QStringLiteral("閉じる"), QDialogButtonBox::RejectRole);
  layout->addWidget(buttons);

  // Every keystroke reaches the form, which checks it as the condition boxes are checked.
  connect(target_, &QLineEdit::textChanged, this,
          [&form](const QString& text) { form.TargetTextChange(text.toStdString()); });
  connect(apply_, &QPushButton::clicked, this, [&form] { form.TargetApplyClick(); });
  connect(close, &QPushButton::clicked, this, &QDialog::hide);
}

void TargetDialog::ShowView(const TargetView& view) {
  const TargetTexts& t = view.texts;
  current_->setText(ToQString(t.currentMean));
  lowest_->setText(ToQString(t.lowestReachableMean));
  load_->setText(ToQString(t.load));
  quality_->setText(ToQString(t.inflowQuality));
  reduction_->setText(ToQString(t.reduction));
  for (std::size_t b = 0; b < steady_.size(); ++b)
    steady_[b]->setText(ToQString(t.steadyState[b]));
  note_->setText(ToQString(t.note));
  note_->setVisible(!t.note.empty());
  apply_->setEnabled(view.canApply);
}

}  // namespace kurimo
