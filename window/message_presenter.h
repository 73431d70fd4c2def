// How the window shows its modal messages and asks for files. The program uses message
// boxes and file dialogs; tests record the messages and answer the file questions
// themselves, so that nothing ever waits for a click.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "window_ops.h"

class QPrinter;
class QFileDialog;
class QWidget;

namespace kurimo {

class MessagePresenter {
 public:
  virtual ~MessagePresenter() = default;
  virtual void Show(QWidget* parent, std::string_view text, std::string_view title) = 0;
  // The path the user picked, or no value when they cancelled.
  virtual std::optional<std::string> ChooseFile(QWidget* parent, FileChoice choice) = 0;
  // Where the runs' report goes, starting from the current path.
  virtual std::optional<std::string> ChooseOutputFile(QWidget* parent,
                                                      std::string_view current) = 0;
  // Lets the user pick and set up the printer; false when they cancelled.
  virtual bool ChoosePrinter(QWidget* parent, QPrinter& printer) = 0;
};

// Makes a file dialog Qt's own (not the desktop's) and shows its size, type and date
// columns in Japanese whatever the environment's language.
void UseJapaneseColumns(QFileDialog& dialog);

// A message box with the text, the title and one OK button, no icon; the usual file
// dialogs.
class MessageBoxPresenter final : public MessagePresenter {
 public:
  void Show(QWidget* parent, std::string_view text, std::string_view title) override;
  std::optional<std::string> ChooseFile(QWidget* parent, FileChoice choice) override;
  std::optional<std::string> ChooseOutputFile(QWidget* parent, std::string_view current) override;
  bool ChoosePrinter(QWidget* parent, QPrinter& printer) override;
};

}  // namespace kurimo
