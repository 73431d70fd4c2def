// How the window shows its modal messages. The program uses message boxes; tests record
// the messages instead, so that no box ever waits for a click.
#pragma once

#include <string_view>

class QWidget;

namespace kurimo {

class MessagePresenter {
 public:
  virtual ~MessagePresenter() = default;
  virtual void Show(QWidget* parent, std::string_view text, std::string_view title) = 0;
};

// A message box with the text, the title and one OK button, no icon.
class MessageBoxPresenter final : public MessagePresenter {
 public:
  void Show(QWidget* parent, std::string_view text, std::string_view title) override;
};

}  // namespace kurimo
