// The progress of a long run: a modal dialog that appears once the run has gone on for a
// moment (short runs finish as if the window had simply been busy), shows the steps made,
// and whose 中止 button asks the run to stop. While it is shown no other control of the
// program takes input.
#pragma once

#include <QElapsedTimer>
#include <cstdint>

class QProgressDialog;
class QWidget;

namespace kurimo {

class RunProgress {
 public:
  explicit RunProgress(QWidget* parent) : parent_(parent) {}

  // How long a run goes on before the dialog appears (500 ms unless set).
  void SetDelay(int milliseconds) { delay_ = milliseconds; }
  QProgressDialog* Dialog() const { return dialog_; }

  void Begin();
  // Shows or refreshes the dialog and lets the window handle its events; false once the
  // user has asked the run to stop.
  bool Continue(std::uint64_t stepsDone, std::uint64_t stepCount);
  void End();

 private:
  void Update(std::uint64_t stepsDone, std::uint64_t stepCount);

  QWidget* parent_;
  int delay_ = 500;
  QElapsedTimer runClock_;
  QElapsedTimer refreshClock_;
  QProgressDialog* dialog_ = nullptr;
  bool cancelRequested_ = false;
};

}  // namespace kurimo
