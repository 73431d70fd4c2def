// A window without a screen: it keeps the texts, lists and colours that the handlers set,
// records every message, and notifies the form of changes as a real window does.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "main_form.h"
#include "report_content.h"
#include "window_ops.h"

namespace kurimo::test {

// The colours of the scale's levels 1..13, as the window shows them.
inline constexpr std::array<PackedColour, 14> kLevelColour = {0,
                                                              PackColour(255, 255, 255),
                                                              PackColour(0, 64, 255),
                                                              PackColour(0, 128, 255),
                                                              PackColour(0, 191, 255),
                                                              PackColour(0, 255, 255),
                                                              PackColour(64, 255, 191),
                                                              PackColour(128, 255, 128),
                                                              PackColour(191, 255, 64),
                                                              PackColour(255, 255, 0),
                                                              PackColour(255, 191, 0),
                                                              PackColour(255, 128, 0),
                                                              PackColour(255, 64, 0),
                                                              PackColour(255, 0, 0)};

// The sixteen boxes after start-up, Text1 first.
inline const std::array<std::string, kTextBoxCount> kStartTexts = {
    " 1000", " 18",   " 18",   " 7",    " 18",    " .126", " 2.4",  " 10",
    " 331",  " 3310", " .126", " 3310", " 629.4", " 4.52", " .016", " 2.4"};

struct ShownMessage {
  std::string text;
  std::string title;
  bool operator==(const ShownMessage&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const ShownMessage& m) {
  return out << "[" << m.title << "] " << m.text;
}

// Counts what is drawn on the panel.
class CountingCanvas final : public Canvas {
 public:
  void FillBox(float, float, float, float, PackedColour) override { ++fills; }
  void OutlineBox(float, float, float, float, PackedColour) override { ++outlines; }
  void PlotPoint(float, float, PackedColour) override { ++points; }
  void PrintLine(std::string_view text) override { printed.emplace_back(text); }
  void SetFontName(std::string_view name) override { fontName = name; }
  void SetPenWidth(std::int16_t pixels) override { penWidth = pixels; }
  void SetPenStyle(std::int16_t) override {}
  int fills = 0, outlines = 0, points = 0, penWidth = 0;
  std::vector<std::string> printed;
  std::string fontName;
};

class RecordingWindow final : public WindowOps {
 public:
  // The form whose handlers the notifications run; set before FormLoad.
  MainForm* form = nullptr;

  std::array<std::string, kTextBoxCount + 1> texts{};
  std::array<std::vector<std::string>, 3> lists{};
  std::array<int, 3> selected{-1, -1, -1};
  std::array<PackedColour, kGroupCount + 1> groupColours{};
  std::vector<int> colouredGroups;  // every SetGroupColour, in order
  std::vector<ShownMessage> messages;
  CountingCanvas canvas;
  int clientWidth = 8625, clientHeight = 6675;
  std::vector<std::array<int, 4>> outerPanelPlacements;
  int beginRuns = 0, endRuns = 0, progressCalls = 0, endProgramCalls = 0;
  // The menu: what the file dialogs answer (no value: the user cancels), the questions
  // asked, whether the run's items are enabled, and the charts shown or updated.
  std::optional<std::string> fileAnswer;
  std::vector<FileChoice> fileQuestions;
  bool runResultsAvailable = true;  // start-up must switch them off
  std::vector<RunRecord> chartsShown, chartsUpdated;
  std::vector<SensitivityFigures> sensitivityShown;
  std::vector<std::string> caseNames;        // each name the form gave the case
  std::vector<std::string> outputQuestions;  // the current path each question started from
  std::vector<TargetView> targetShown, targetUpdated;  // the load-reduction dialog
  // Answer of ContinueRun: false asks the run to stop.
  std::function<bool(std::uint64_t, std::uint64_t)> continueRun = [](auto, auto) { return true; };

  const std::string& Text(TextBox box) const { return texts[static_cast<int>(box)]; }

  // The user replaces the whole text of a box (one change).
  void Type(TextBox box, std::string_view text) { SetBoxText(box, text); }
  // The user types the characters one at a time after the current text.
  void TypeKeys(TextBox box, std::string_view keys) {
    for (char key : keys)
      SetBoxText(box, Text(box) + key);
  }
  // The user picks the entry at a row of a list.
  void Pick(MultiplierList list, int row) {
    const int l = static_cast<int>(list);
    if (selected[l] == row) return;
    selected[l] = row;
    form->ListClick(list);
  }

  std::string BoxText(TextBox box) const override { return Text(box); }
  void SetBoxText(TextBox box, std::string_view text) override {
    std::string& held = texts[static_cast<int>(box)];
    if (held == text) return;  // no change, no notification
    held = text;
    form->TextChange(box);
  }
  void SetListEntryText(MultiplierList list, int index, std::string_view text) override {
    auto& entries = lists[static_cast<int>(list)];
    if (static_cast<int>(entries.size()) <= index) entries.resize(index + 1);
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
    for (int row = 0; row < static_cast<int>(entries.size()); ++row) {
      if (entries[row] == text) {
        Pick(list, row);
        return;
      }
    }
  }
  void SetGroupColour(int group, PackedColour colour) override {
    groupColours[group] = colour;
    colouredGroups.push_back(group);
  }
  void ShowMessage(std::string_view text, std::string_view title) override {
    messages.push_back({std::string(text), std::string(title)});
  }
  Canvas& Panel() override { return canvas; }
  std::string FontFace() const override { return "IPAPGothic"; }
  int ClientWidthTwips() const override { return clientWidth; }
  int ClientHeightTwips() const override { return clientHeight; }
  void PlaceOuterPanel(int left, int top, int width, int height) override {
    outerPanelPlacements.push_back({left, top, width, height});
  }
  void BeginRun() override { ++beginRuns; }
  bool ContinueRun(std::uint64_t stepsDone, std::uint64_t stepCount) override {
    ++progressCalls;
    return continueRun(stepsDone, stepCount);
  }
  void EndRun() override { ++endRuns; }
  void EndProgram() override { ++endProgramCalls; }
  std::optional<std::string> ChooseFile(FileChoice choice) override {
    fileQuestions.push_back(choice);
    return fileAnswer;
  }
  std::optional<std::string> ChooseOutputFile(std::string_view current) override {
    outputQuestions.emplace_back(current);
    return fileAnswer;
  }
  void SetRunResultsAvailable(bool available) override { runResultsAvailable = available; }
  void ShowChart(const RunRecord& record) override { chartsShown.push_back(record); }
  void UpdateChart(const RunRecord& record) override { chartsUpdated.push_back(record); }
  void ShowSensitivity(const SensitivityFigures& figures) override {
    sensitivityShown.push_back(figures);
  }
  void SetCaseName(std::string_view fileName) override { caseNames.emplace_back(fileName); }
  void ShowTargetLoad(const TargetView& view) override { targetShown.push_back(view); }
  void UpdateTargetLoad(const TargetView& view) override { targetUpdated.push_back(view); }
  std::vector<std::string> copied;  // each text put on the clipboard
  void CopyToClipboard(std::string_view text) override { copied.emplace_back(text); }
  // The report: what the form asked to be written or printed, and what the writing and the
  // printing answer (no value: done).
  std::vector<std::string> pdfPaths;
  std::vector<ReportContent> reportsWritten, reportsPrinted;
  std::optional<std::string> pdfFailure, printFailure;
  std::optional<std::string> WriteReportPdf(const std::string& path,
                                            const ReportContent& report) override {
    pdfPaths.push_back(path);
    reportsWritten.push_back(report);
    return pdfFailure;
  }
  std::optional<std::string> PrintReport(const ReportContent& report) override {
    reportsPrinted.push_back(report);
    return printFailure;
  }
};

}  // namespace kurimo::test
