// A window without a screen: it keeps what the handlers set and asks for, and notifies the
// form of changes as a real window does. Its panel records every drawing call.
#pragma once

#include <algorithm>
#include <functional>
#include <iomanip>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "main_form.h"
#include "report_content.h"

namespace kurimo::test {

// The scale, whose own tests (test_main_form) check the colours of its levels 1..13.
inline const ColourScale kScale = [] {
  ColourScale scale;
  scale.BuildColourScale();
  return scale;
}();

// The sixteen boxes after start-up, by number (there is no box 0).
inline const std::array<std::string, kTextBoxCount + 1> kStartTexts = {
    "",     " 1000", " 18",   " 18",   " 7",     " 18",   " .126", " 2.4", " 10",
    " 331", " 3310", " .126", " 3310", " 629.4", " 4.52", " .016", " 2.4"};

struct ShownMessage {
  std::string text;
  std::string title;
  bool operator==(const ShownMessage&) const = default;
};
using Messages = std::vector<ShownMessage>;

// Records every call as a line of text: floats to 9 digits, which tell every float apart.
class RecordingCanvas final : public Canvas {
 public:
  void FillBox(float x1, float y1, float x2, float y2, PackedColour c) override {
    Record("fill", {x1, y1, x2, y2}, c);
  }
  void OutlineBox(float x1, float y1, float x2, float y2, PackedColour c) override {
    Record("outline", {x1, y1, x2, y2}, c);
  }
  void PlotPoint(float x, float y, PackedColour c) override { Record("point", {x, y}, c); }
  void PrintLine(std::string_view t) override { calls.emplace_back("print '").append(t) += "'"; }
  void SetFontName(std::string_view name) override { calls.emplace_back("font ").append(name); }
  void SetPenWidth(std::int16_t p) override { calls.push_back("width " + std::to_string(p)); }
  void SetPenStyle(std::int16_t p) override { calls.push_back("style " + std::to_string(p)); }
  std::vector<std::string> calls;

 private:
  void Record(std::string what, std::initializer_list<float> xy, PackedColour colour) {
    std::ostringstream line;
    line << what << std::setprecision(9);
    for (const float v : xy)
      line << ' ' << v;
    line << ' ' << std::hex << std::uppercase << std::setw(6) << std::setfill('0') << colour;
    calls.push_back(line.str());
  }
};

class RecordingWindow final : public WindowOps {
 public:
  MainForm* form = nullptr;  // whose handlers the notifications run; set before FormLoad
  std::array<std::string, kTextBoxCount + 1> texts{};
  std::array<std::vector<std::string>, 3> lists{};
  std::array<int, 3> selected{-1, -1, -1};
  std::array<PackedColour, kGroupCount + 1> groupColours{};
  Messages messages;
  std::vector<bool> messagesInRun;  // by message: shown between BeginRun and EndRun
  int clientWidth = 8625, clientHeight = 6675;
  std::string fontFace = "IPAPGothic";  // the window's font of the moment
  RecordingCanvas panel;
  std::vector<std::array<int, 4>> outerPanelPlacements;
  std::optional<std::string> fileAnswer;  // what the file dialogs answer; none: cancelled
  std::vector<FileChoice> fileQuestions;
  bool runResultsAvailable = true;  // start-up must switch them off
  std::vector<RunRecord> chartsShown, chartsUpdated;
  std::vector<SensitivityFigures> sensitivityShown;
  std::vector<std::string> copied, pdfPaths;
  std::vector<ReportContent> reportsWritten, reportsPrinted;
  std::optional<std::string> pdfFailure, printFailure;  // what writing and printing answer
  // What the progress answers: true stops every run at its first look.
  bool stopRuns = false;
  // Called at the first look at each run's progress, while the run is under way: what
  // reaches the handlers then (an edit, a pick), or a failure of the progress display.
  std::function<void()> duringRun;
  int runsBegun = 0, runsEnded = 0, progressLooks = 0;

  void Type(TextBox box, std::string_view text) { SetBoxText(box, text); }  // one change
  void Pick(MultiplierList list, int row) {
    if (std::exchange(selected[static_cast<int>(list)], row) != row) form->ListClick(list);
  }

  std::string BoxText(TextBox box) const override { return texts[static_cast<int>(box)]; }
  void SetBoxText(TextBox box, std::string_view text) override {
    if (std::exchange(texts[static_cast<int>(box)], std::string(text)) != text)
      form->TextChange(box);
  }
  void SetListEntryText(MultiplierList list, int index, std::string_view text) override {
    auto& entries = lists[static_cast<int>(list)];
    if (std::ssize(entries) <= index) entries.resize(index + 1);
    entries[index] = text;
  }
  std::string ListEntryText(MultiplierList list, int index) const override {
    return lists[static_cast<int>(list)].at(index);
  }
  int SelectedListIndex(MultiplierList list) const override {
    return selected[static_cast<int>(list)];
  }
  void SelectListEntry(MultiplierList list, std::string_view text) override {
    const auto& entries = lists[static_cast<int>(list)];
    const auto found = std::find(entries.begin(), entries.end(), text);
    if (found != entries.end()) Pick(list, static_cast<int>(found - entries.begin()));
  }
  void SetGroupColour(int group, PackedColour colour) override { groupColours[group] = colour; }
  void ShowMessage(std::string_view text, std::string_view title) override {
    messages.push_back({std::string(text), std::string(title)});
    messagesInRun.push_back(runsBegun > runsEnded);
  }
  Canvas& Panel() override { return panel; }
  std::string FontFace() const override { return fontFace; }
  int ClientWidthTwips() const override { return clientWidth; }
  int ClientHeightTwips() const override { return clientHeight; }
  void PlaceOuterPanel(int left, int top, int width, int height) override {
    outerPanelPlacements.push_back({left, top, width, height});
  }
  void BeginRun() override { ++runsBegun, firstLook_ = true; }
  bool ContinueRun(std::uint64_t, std::uint64_t) override {
    ++progressLooks;
    if (std::exchange(firstLook_, false) && duringRun) duringRun();
    return !stopRuns;
  }
  void EndRun() override { ++runsEnded; }
  void EndProgram() override {}
  std::optional<std::string> ChooseFile(FileChoice choice) override {
    return fileQuestions.push_back(choice), fileAnswer;
  }
  std::optional<std::string> ChooseOutputFile(std::string_view) override { return fileAnswer; }
  void SetRunResultsAvailable(bool available) override { runResultsAvailable = available; }
  void ShowChart(const RunRecord& record) override { chartsShown.push_back(record); }
  void UpdateChart(const RunRecord& record) override { chartsUpdated.push_back(record); }
  void ShowSensitivity(const SensitivityFigures& f) override { sensitivityShown.push_back(f); }
  void SetCaseName(std::string_view) override {}
  void ShowTargetLoad(const TargetView&) override {}
  void UpdateTargetLoad(const TargetView&) override {}
  void CopyToClipboard(std::string_view text) override { copied.emplace_back(text); }
  std::optional<std::string> WriteReportPdf(const std::string& path,
                                            const ReportContent& report) override {
    return pdfPaths.push_back(path), reportsWritten.push_back(report), pdfFailure;
  }
  std::optional<std::string> PrintReport(const ReportContent& report) override {
    return reportsPrinted.push_back(report), printFailure;
  }

 private:
  bool firstLook_ = false;
};

}  // namespace kurimo::test
