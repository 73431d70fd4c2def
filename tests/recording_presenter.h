// A presenter for the real window's tests: it records the messages instead of showing
// boxes, answers the file questions itself and prints to a PDF file, so nothing waits.
#pragma once

#include <QPrinter>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "message_presenter.h"
#include "recording_window.h"

namespace kurimo::test {

struct RecordingPresenter final : MessagePresenter {
  void Show(QWidget*, std::string_view text, std::string_view title) override {
    messages.push_back({std::string(text), std::string(title)});
  }
  std::optional<std::string> ChooseFile(QWidget*, FileChoice choice) override {
    fileQuestions.push_back(choice);
    return std::nullopt;
  }
  std::optional<std::string> ChooseOutputFile(QWidget*, std::string_view) override {
    return outputAnswer;
  }
  bool ChoosePrinter(QWidget*, QPrinter& printer) override {  // prints to a PDF file
    printer.setOutputFileName(QString::fromStdString(printerFile));
    return true;
  }
  Messages messages;
  std::vector<FileChoice> fileQuestions;
  std::optional<std::string> outputAnswer;
  std::string printerFile;
};

}  // namespace kurimo::test
