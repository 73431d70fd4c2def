#include "run_progress.h"

#include <QCoreApplication>
#include <QLocale>
#include <QProgressDialog>

namespace kurimo {

void RunProgress::Begin() {
  cancelRequested_ = false;
  runClock_.start();
}

bool RunProgress::Continue(std::uint64_t stepsDone, std::uint64_t stepCount) {
  if (dialog_ == nullptr) {
    if (runClock_.elapsed() < delay_) return true;
    dialog_ = new QProgressDialog(parent_);
    dialog_->setWindowTitle(QStringLiteral("計算中"));
    dialog_->setCancelButtonText(QStringLiteral("中止"));
    dialog_->setRange(0, 1000);
    dialog_->setMinimumDuration(0);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setWindowModality(Qt::ApplicationModal);
    QObject::connect(dialog_, &QProgressDialog::canceled, dialog_,
                     [this] { cancelRequested_ = true; });
    Update(stepsDone, stepCount);
    dialog_->show();
    refreshClock_.start();
  } else if (refreshClock_.elapsed() >= 100) {
    Update(stepsDone, stepCount);
    refreshClock_.restart();
  }
  QCoreApplication::processEvents();
  return !cancelRequested_;
}

void RunProgress::Update(std::uint64_t stepsDone, std::uint64_t stepCount) {
  const QLocale grouped(QLocale::English);
  const QString label = QStringLiteral("計算中です。\n%1 / %2 ステップ");
  dialog_->setLabelText(label.arg(grouped.toString(static_cast<qulonglong>(stepsDone)),
                                  grouped.toString(static_cast<qulonglong>(stepCount))));
  const double fraction =
      stepCount == 0 ? 0.0 : static_cast<double>(stepsDone) / static_cast<double>(stepCount);
  dialog_->setValue(static_cast<int>(fraction * 1000.0));
}

void RunProgress::End() {
  if (dialog_ != nullptr) {
    dialog_->hide();
    dialog_->deleteLater();
    dialog_ = nullptr;
  }
}

}  // namespace kurimo
