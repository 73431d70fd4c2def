#include "report_command.h"

#include <QTemporaryDir>
#include <array>
#include <cerrno>
#include <string>
#include <vector>

#include "atomic_file.h"
#include "echo_text.h"
#include "exit_status.h"
#include "look.h"
#include "main_form.h"
#include "report_content.h"
#include "report_page.h"
#include "run_messages.h"
#include "stop_signals.h"

namespace kurimo {
namespace {

// Takes what is drawn on the panel and forgets it: without a window there is no panel.
class UnseenCanvas final : public Canvas {
 public:
  void FillBox(float, float, float, float, PackedColour) override {}
  void OutlineBox(float, float, float, float, PackedColour) override {}
  void PlotPoint(float, float, PackedColour) override {}
  void PrintLine(std::string_view) override {}
  void SetFontName(std::string_view) override {}
  void SetPenWidth(std::int16_t) override {}
  void SetPenStyle(std::int16_t) override {}
};

struct Message {
  std::string text;
  std::string title;
};

// The window's state without a window: the boxes and lists hold their texts and notify the
// form of changes as the real controls do; messages are kept for the caller to report.
class UnseenWindow final : public WindowOps {
 public:
  MainForm* form = nullptr;
  std::vector<Message> messages;

  std::string BoxText(TextBox box) const override { return texts_[static_cast<int>(box)]; }
  void SetBoxText(TextBox box, std::string_view text) override {
    std::string& held = texts_[static_cast<int>(box)];
    if (held == text) return;
    held = text;
    form->TextChange(box);
  }
  void SetListEntryText(MultiplierList list, int index, std::string_view text) override {
    std::vector<std::string>& entries = lists_[static_cast<int>(list)];
    if (static_cast<int>(entries.size()) <= index) entries.resize(index + 1);
    entries[index] = text;
  }
  std::string ListEntryText(MultiplierList list, int index) const override {
    const std::vector<std::string>& entries = lists_[static_cast<int>(list)];
    return index >= 0 && index < static_cast<int>(entries.size()) ? entries[index] : std::string();
  }
  int SelectedListIndex(MultiplierList list) const override {
    return selected_[static_cast<int>(list)];
  }
  void SelectListEntry(MultiplierList list, std::string_view text) override {
    const int l = static_cast<int>(list);
    for (int row = 0; row < static_cast<int>(lists_[l].size()); ++row) {
      if (lists_[l][row] != text) continue;
      if (selected_[l] != row) {
        selected_[l] = row;
        form->ListClick(list);
      }
      return;
    }
  }
  void SetGroupColour(int, PackedColour) override {}
  void ShowMessage(std::string_view text, std::string_view title) override {
    messages.push_back({std::string(text), std::string(title)});
  }
  Canvas& Panel() override { return canvas_; }
  std::string FontFace() const override { return kWindowFontFace.toStdString(); }
  int ClientWidthTwips() const override { return 8625; }
  int ClientHeightTwips() const override { return 6675; }
  void PlaceOuterPanel(int, int, int, int) override {}
  void BeginRun() override {}
  // A stop signal stops the run as the window's 中止 button would.
  bool ContinueRun(std::uint64_t, std::uint64_t) override { return !StopAsked(); }
  void EndRun() override {}
  void EndProgram() override {}
  std::optional<std::string> ChooseFile(FileChoice) override { return std::nullopt; }
  void SetRunResultsAvailable(bool) override {}
  void ShowChart(const RunRecord&) override {}
  void UpdateChart(const RunRecord&) override {}
  void ShowSensitivity(const SensitivityFigures&) override {}
  void SetCaseName(std::string_view) override {}
  std::optional<std::string> ChooseOutputFile(std::string_view) override { return std::nullopt; }
  void ShowTargetLoad(const TargetView&) override {}
  void UpdateTargetLoad(const TargetView&) override {}
  void CopyToClipboard(std::string_view) override {}
  std::optional<std::string> WriteReportPdf(const std::string& path,
                                            const ReportContent& report) override {
    return WriteReportPdfFile(path, report);
  }
  std::optional<std::string> PrintReport(const ReportContent&) override {
    return std::string("画面のない所では印刷できません");
  }

 private:
  std::array<std::string, kTextBoxCount + 1> texts_{};
  std::array<std::vector<std::string>, 3> lists_{};
  std::array<int, 3> selected_{-1, -1, -1};
  UnseenCanvas canvas_;
};

// One line on the console, always valid UTF-8: a file name given in another encoding shows
// with replacement characters, as kurimo-batch shows it.
void Say(std::ostream& err, std::string_view text) {
  err << ValidUtf8("kurimo: " + std::string(text)) << '\n';
}

// A message as one paragraph on the console: the title, then the text (its carriage
// returns, which break lines in a message box, become blanks).
void Report(std::ostream& err, const Message& message) {
  std::string text = message.text;
  for (char& c : text) {
    if (c == '\r') c = ' ';
  }
  Say(err, message.title + ": " + text);
}

// A stop signal ends the command at once, whatever it was doing; nothing more is written.
int Stopped(std::ostream& err) {
  Say(err, "中止しました。報告書は書いていません。");
  return batch::ExitStatusForSignal(StopSignal());
}

}  // namespace

int WriteReportWithoutWindow(const StartOptions& options, std::ostream& err) {
  // Without --output the run's text report goes to a folder of its own that is removed
  // afterwards: the working folder's Kurimo_OUT.txt stays as it was.
  std::optional<QTemporaryDir> scratch;
  std::string outputPath;
  if (options.outputPath) {
    outputPath = *options.outputPath;
  } else {
    errno = 0;
    scratch.emplace();
    const int error = errno;  // Qt's own words for it are English
    if (!scratch->isValid()) {
      Say(err, "一時フォルダーを作れません（" +
                   (error != 0 ? DescribeSystemError(error)
                               : std::string("一時フォルダーの場所 TMPDIR を確かめてください")) +
                   "）。報告書は書いていません。");
      return batch::kExitFileError;
    }
    outputPath = scratch->filePath(QStringLiteral("Kurimo_OUT.txt")).toStdString();
  }

  UnseenWindow window;
  MainForm form(window, outputPath, MessagePlace::Terminal);
  window.form = &form;
  form.FormLoad();
  window.messages.clear();

  if (options.caseFile && !form.OpenCase(*options.caseFile)) {
    if (StopAsked()) return Stopped(err);  // while the case pipe kept it waiting
    for (const Message& message : window.messages)
      Report(err, message);
    Say(err, "報告書は書いていません。");
    return batch::kExitBadInput;
  }
  for (const Message& message : window.messages)
    Report(err, message);
  window.messages.clear();

  if (StopAsked()) return Stopped(err);
  form.Command1Click();
  if (StopAsked()) return Stopped(err);  // the run, or a wait for its report's slow pipe
  // The run's warning and, when it did not finish, why; the result itself is on the page.
  const std::string resultTitle = ResultMessage(0).title;
  for (const Message& message : window.messages) {
    if (message.title != resultTitle) Report(err, message);
  }
  if (!form.CurrentRun()) {
    Say(err, "報告書は書いていません。");
    return form.LastRunStatus() == RunStatus::OutputFileFailed ? batch::kExitFileError
                                                               : batch::kExitRunFault;
  }

  const std::optional<ReportContent> report =
      MakeReportContent(form, window, ReportDateTime(std::chrono::system_clock::now()));
  if (!report) return batch::kExitRunFault;
  const std::optional<std::string> failure = window.WriteReportPdf(*options.pdfPath, *report);
  if (failure && StopAsked()) return Stopped(err);  // while the PDF waited for a slow pipe
  if (failure) {
    const UserMessage message = ReportPdfFailedMessage(*options.pdfPath, *failure);
    Report(err, {message.text, message.title});
    return batch::kExitFileError;
  }
  return batch::kExitOk;
}

}  // namespace kurimo
