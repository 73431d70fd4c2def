#include "main_form.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <filesystem>
#include <new>
#include <utility>

#include "case_file.h"
#include "file_messages.h"
#include "kurimo_version.h"
#include "number_text.h"
#include "report_content.h"
#include "results_sheet.h"
#include "run_messages.h"
#include "series_csv.h"

namespace kurimo {
namespace {

// Passes the run's warning and progress on to the window.
class WindowRunObserver final : public RunObserver {
 public:
  explicit WindowRunObserver(WindowOps& window) : window_(window) {}
  void ShowWarning(std::string_view message, std::string_view title) override {
    window_.ShowMessage(message, title);
  }
  bool ContinueRun(std::uint64_t stepsDone, std::uint64_t stepCount) override {
    return window_.ContinueRun(stepsDone, stepCount);
  }

 private:
  WindowOps& window_;
};

constexpr MultiplierList kLists[] = {MultiplierList::Section, MultiplierList::Quality,
                                     MultiplierList::Quantity};

// The editable boxes in the order of the conditions they hold (ConditionBox).
constexpr TextBox kConditionBoxes[] = {TextBox::Text1, TextBox::Text2, TextBox::Text4,
                                       TextBox::Text7, TextBox::Text8, TextBox::Text9};

constexpr std::string_view kAboutTitle = "このプログラムについて";
constexpr std::string_view kSensitivityCancelledTitle = "計算の中止";
constexpr std::string_view kSensitivityCancelledMessage =
    "感度分析を中止しました。結果は表示しません。";
constexpr std::string_view kRunBrokeOffTitle = "計算のエラー";

// A calculation that ended on an exception rather than with a status: what could not be
// finished, the cause as far as the user can act on it, and what was kept.
std::string RunBrokeOffMessage(std::string_view calculation, std::exception_ptr cause,
                               std::string_view kept) {
  std::string reason = "予期しないエラーが起きました";
  try {
    std::rethrow_exception(cause);
  } catch (const std::bad_alloc&) {
    reason = "メモリが足りません。ほかのプログラムを閉じてからやり直してください";
  } catch (...) {
  }
  return std::string(calculation) + "を最後まで続けられませんでした（" + reason + "）。" +
         std::string(kept);
}

// The window's run state, from BeginRun to EndRun, ended however the run ends: the window
// takes input again and the handlers take edits again.
class RunState {
 public:
  RunState(WindowOps& window, bool& running) : window_(window), running_(running) {
    running_ = true;
    window_.BeginRun();
  }
  RunState(const RunState&) = delete;
  RunState& operator=(const RunState&) = delete;
  ~RunState() { End(); }

  void End() {
    if (!running_) return;
    window_.EndRun();
    running_ = false;
  }

 private:
  WindowOps& window_;
  bool& running_;
};

}  // namespace

MainForm::MainForm(WindowOps& window, std::string outputPath, MessagePlace place)
    : window_(window), outputPath_(std::move(outputPath)), place_(place) {}

void MainForm::FormLoad() {
  FormResize();
  for (MultiplierList list : kLists) {
    int index = 0;
    for (std::string_view entry : MultiplierEntries(list)) {
      window_.SetListEntryText(list, index++, entry);
    }
  }
  DefaultTail();
}

void MainForm::FormResize() {
  const int width = window_.ClientWidthTwips();
  const int height = window_.ClientHeightTwips();
  if (width <= 0 || height <= 0) return;  // minimised: nothing to cover
  window_.PlaceOuterPanel(0, 0, width, height);
}

void MainForm::DefaultTail() {
  SetDefaultConditions();
  ConditionsChanged();
  scale_.BuildColourScale();
  ColourAllGroups();
  PanelDrawing drawing(window_.Panel(), scale_.TextAnchorColour);
  legend_.DrawColourLegend(drawing, scale_, window_.FontFace());
}

void MainForm::SetDefaultConditions() {
  model_.LoadDefaultCase();
  // Each editable box's handler runs as its text is written and stores that text, so
  // the derived boxes are written last, from the final values.
  WriteNumber(TextBox::Text1, TextToNumber(model_.BayArea));
  WriteNumber(TextBox::Text2, TextToNumber(model_.MeanDepth));
  WriteNumber(TextBox::Text3, model_.BayVolume);
  WriteNumber(TextBox::Text4, TextToNumber(model_.MouthLength));
  WriteNumber(TextBox::Text5, TextToNumber(model_.MouthDepth));
  window_.SetBoxText(TextBox::Text6, NumberToText(model_.MouthSection));
  WriteNumber(TextBox::Text7, TextToNumber(model_.OpenSeaQuality));
  WriteNumber(TextBox::Text8, TextToNumber(model_.InflowQuality));
  WriteNumber(TextBox::Text9, TextToNumber(model_.InflowRate));
  WriteNumber(TextBox::Text10, model_.InflowLoad);
  WriteChangedMouthSection();
  WriteChangedInflowLoad();
  WriteResidenceTime();
  WriteClosedness();
  WriteLoadPerVolume();
  WriteNumber(TextBox::Text16, TextToNumber(model_.BayAverageQuality));
}

void MainForm::ColourGroup(int group, float concentration) {
  scale_.GroupConcentration[group] = concentration;
  scale_.ColourForValue(static_cast<std::int16_t>(group), scale_.GroupColour);
  window_.SetGroupColour(group, scale_.GroupColour);
}

void MainForm::ColourAllGroups() {
  const auto bay = static_cast<float>(TextToNumber(model_.BayAverageQuality));
  for (int group = kFirstBayGroup; group <= kLastBayGroup; ++group)
    ColourGroup(group, bay);
  ColourGroup(kInflowGroup, static_cast<float>(TextToNumber(model_.InflowQuality)));
  ColourGroup(kOpenSeaGroup, static_cast<float>(TextToNumber(model_.OpenSeaQuality)));
}

void MainForm::WriteNumber(TextBox box, double value) {
  window_.SetBoxText(box, NumberToText(value));
}

void MainForm::WriteRounded(TextBox box, double value, int places) {
  WriteNumber(box, RoundHalfEven(value, places));
}

void MainForm::WriteChangedMouthSection() {
  WriteRounded(TextBox::Text11, model_.ChangedMouthSection(), 5);
}
void MainForm::WriteChangedInflowLoad() {
  WriteRounded(TextBox::Text12, model_.ChangedInflowLoad(), 5);
}
void MainForm::WriteResidenceTime() {
  WriteRounded(TextBox::Text13, model_.ResidenceTimeDays(), 1);
}
void MainForm::WriteClosedness() {
  WriteRounded(TextBox::Text14, model_.ClosednessIndex(), 2);
}
void MainForm::WriteLoadPerVolume() {
  WriteRounded(TextBox::Text15, model_.LoadPerVolume(), 3);
}

void MainForm::TextChange(TextBox box) {
  const std::optional<ConditionBox> condition = EditedCondition(box);
  if (!condition) return;  // the system's boxes have no handler
  if (running_) {
    // The run's result must be that of the conditions it started with; the edit is taken
    // once the result is shown.
    std::erase(heldChanges_, std::variant<TextBox, MultiplierList>(box));
    heldChanges_.emplace_back(box);
    return;
  }
  std::string text = window_.BoxText(box);
  if (const std::optional<InputLimit> failed = FailedInputLimit(*condition, text)) {
    window_.ShowMessage(failed->message, failed->title);
    return;
  }
  AcceptConditionText(model_, *condition, std::move(text));
  ConditionsChanged();

  switch (*condition) {
    case ConditionBox::BayArea:
      WriteNumber(TextBox::Text3, model_.BayVolume);
      WriteResidenceTime();
      WriteClosedness();
      WriteLoadPerVolume();
      break;
    case ConditionBox::MeanDepth:
      WriteNumber(TextBox::Text3, model_.BayVolume);
      WriteNumber(TextBox::Text5, TextToNumber(model_.MeanDepth));
      window_.SetBoxText(TextBox::Text6, NumberToText(model_.MouthSection));
      WriteChangedMouthSection();
      WriteResidenceTime();
      WriteClosedness();
      WriteLoadPerVolume();
      break;
    case ConditionBox::MouthLength:
      window_.SetBoxText(TextBox::Text6, NumberToText(model_.MouthSection));
      WriteChangedMouthSection();
      WriteClosedness();
      break;
    case ConditionBox::OpenSeaQuality: {
      // The bay groups show the open-sea quality until a run colours them; the inflow
      // group's entry is refreshed but the group keeps its colour.
      const auto bay = static_cast<float>(TextToNumber(model_.BayAverageQuality));
      for (int group = kFirstBayGroup; group <= kLastBayGroup; ++group)
        ColourGroup(group, bay);
      scale_.GroupConcentration[kInflowGroup] =
          static_cast<float>(TextToNumber(model_.InflowQuality));
      ColourGroup(kOpenSeaGroup, static_cast<float>(TextToNumber(model_.OpenSeaQuality)));
      break;
    }
    case ConditionBox::InflowQuality:
      WriteNumber(TextBox::Text10, model_.InflowLoad);
      WriteChangedInflowLoad();
      // The inflow group shows the quality as typed, without its multiplier.
      ColourGroup(kInflowGroup, static_cast<float>(TextToNumber(model_.InflowQuality)));
      WriteLoadPerVolume();
      break;
    case ConditionBox::InflowRate:
      WriteNumber(TextBox::Text10, model_.InflowLoad);
      WriteChangedInflowLoad();
      WriteResidenceTime();
      WriteLoadPerVolume();
      break;
  }
}

void MainForm::ListClick(MultiplierList list) {
  if (running_) {  // taken once the run's result is shown, as an edit is
    std::erase(heldChanges_, std::variant<TextBox, MultiplierList>(list));
    heldChanges_.emplace_back(list);
    return;
  }
  const int index = window_.SelectedListIndex(list);
  if (index < 0) return;
  const double factor = LeadingNumber(window_.ListEntryText(list, index));
  SetMultiplier(model_, list, factor);
  ConditionsChanged();
  switch (list) {
    case MultiplierList::Section:
      WriteChangedMouthSection();
      WriteClosedness();
      break;
    case MultiplierList::Quality: {
      const auto changedQuality = static_cast<float>(TextToNumber(model_.InflowQuality) *
                                                     static_cast<double>(model_.QualityFactor));
      WriteRounded(TextBox::Text12, model_.ChangedInflowLoad(), 3);
      WriteLoadPerVolume();
      ColourGroup(kInflowGroup, changedQuality);
      break;
    }
    case MultiplierList::Quantity:
      WriteNumber(TextBox::Text12, model_.ChangedInflowLoad());
      WriteResidenceTime();
      WriteLoadPerVolume();
      break;
  }
}

void MainForm::Command1Click() {
  if (running_) return;  // the window blocks a second start; this guards it anyway
  RunResult result;
  {
    RunState run(window_, running_);
    WindowRunObserver observer(window_);
    try {
      result = model_.RunSimulation(outputPath_, observer);
    } catch (...) {
      // The output file is replaced only by a completed run, so the earlier one stands.
      run.End();
      window_.ShowMessage(
          RunBrokeOffMessage("計算", std::current_exception(),
                             "出力ファイル「" + outputPath_ + "」は書き換えていません。"),
          kRunBrokeOffTitle);
      TakeHeldChanges();
      return;
    }
  }
  lastRunStatus_ = result.status;

  if (result.status != RunStatus::Completed) {
    // The result boxes and colours keep what the last finished run left.
    const UserMessage fault = RunFaultMessage(result, outputPath_, place_);
    window_.ShowMessage(fault.text, fault.title);
    TakeHeldChanges();
    return;
  }
  currentRun_ = RunRecord{model_.Series, model_.SteadyState(), CaseName(),
                          model_.ResidenceTimeDays(), model_.FlushingTimeDays()};
  currentRun_->mouthVelocityWarning = result.mouthVelocityWarning;
  window_.SetRunResultsAvailable(true);
  window_.UpdateChart(*currentRun_);

  const double mean = RoundHalfEven(model_.BayAverage[1], 2);
  WriteNumber(TextBox::Text16, mean);
  for (int group = kFirstBayGroup; group <= kLastBayGroup; ++group) {
    ColourGroup(group, static_cast<float>(model_.Concentration[1][group]));
  }
  const UserMessage message = RunResultMessage(model_);
  window_.ShowMessage(message.text, message.title);
  TakeHeldChanges();
}

void MainForm::Command2Click() {
  window_.EndProgram();
}

void MainForm::Command3Click() {
  if (running_) return;  // the window blocks it during a run; the case must stay as it ran
  for (MultiplierList list : kLists) {
    window_.SelectListEntry(list, window_.ListEntryText(list, 0));
  }
  DefaultTail();
}

void MainForm::ConditionsChanged() {
  currentRun_.reset();
  window_.SetRunResultsAvailable(false);
  if (targetShown_) window_.UpdateTargetLoad(TargetFigures());
}

void MainForm::TakeHeldChanges() {
  const std::vector<std::variant<TextBox, MultiplierList>> held = std::exchange(heldChanges_, {});
  for (const std::variant<TextBox, MultiplierList>& change : held) {
    if (const TextBox* box = std::get_if<TextBox>(&change)) {
      // A box that is back at the text the case holds has nothing to take.
      if (window_.BoxText(*box) != ConditionText(model_, *EditedCondition(*box))) TextChange(*box);
      continue;
    }
    const MultiplierList list = std::get<MultiplierList>(change);
    const int index = window_.SelectedListIndex(list);
    if (index >= 0 && CurrentEntry(model_, list) != index) ListClick(list);
  }
}

void MainForm::MenuOpenCase() {
  if (running_) return;
  const std::optional<std::string> path = window_.ChooseFile(FileChoice::OpenCase);
  if (path) OpenCase(*path);
}

bool MainForm::OpenCase(const std::string& path) {
  if (running_) return false;
  const CaseReadResult read = ReadCaseFile(path);
  if (!read.value) {
    const UserMessage message = CaseOpenFailedMessage(path, read.error);
    window_.ShowMessage(message.text, message.title);
    return false;
  }
  // Through the boxes and lists, so that every check, derived box and colour follows as
  // it would for the user's own typing and picking.
  for (std::size_t i = 0; i < std::size(kConditionBoxes); ++i) {
    window_.SetBoxText(kConditionBoxes[i], read.value->texts[i]);
  }
  for (std::size_t i = 0; i < std::size(kLists); ++i) {
    window_.SelectListEntry(kLists[i], read.value->entries[i]);
  }
  caseFile_ = path;
  CaseNamed();
  return true;
}

void MainForm::CaseNamed() {
  window_.SetCaseName(CaseName());
  // A run of these very conditions is now a run of the named case.
  if (currentRun_) {
    currentRun_->caseName = CaseName();
    window_.UpdateChart(*currentRun_);
  }
}

std::string MainForm::CaseName() const {
  if (caseFile_.empty()) return "無題";
  return std::filesystem::path(caseFile_).filename().string();
}

void MainForm::MenuSaveCase() {
  if (running_) return;
  // The texts the case holds: what was typed into each box and passed its check (a box
  // whose text is being corrected still counts with its last accepted text).
  SavedCase saved;
  for (std::size_t i = 0; i < std::size(kConditionBoxes); ++i)
    saved.texts[i] = ConditionText(model_, *EditedCondition(kConditionBoxes[i]));
  for (std::size_t i = 0; i < std::size(kLists); ++i) {
    const int index = window_.SelectedListIndex(kLists[i]);
    saved.entries[i] = window_.ListEntryText(kLists[i], index < 0 ? 0 : index);
  }
  const std::optional<std::string> chosen = window_.ChooseFile(FileChoice::SaveCase);
  if (!chosen) return;
  const std::string path = CaseSavePath(*chosen);
  if (const std::optional<std::string> failure = WriteCaseFile(path, saved)) {
    const UserMessage message = CaseSaveFailedMessage(path, *failure, place_);
    window_.ShowMessage(message.text, message.title);
    return;
  }
  caseFile_ = path;
  CaseNamed();
}

void MainForm::MenuOutputFile() {
  if (running_) return;
  // Only the path is taken here; whether it can be written is found, as for any path, when
  // a run starts, before its first step.
  if (std::optional<std::string> path = window_.ChooseOutputFile(outputPath_)) {
    outputPath_ = std::move(*path);
  }
}

void MainForm::MenuSaveSeries() {
  if (running_ || !currentRun_) return;
  const std::optional<std::string> path = window_.ChooseFile(FileChoice::SaveSeries);
  if (!path) return;
  if (const std::optional<std::string> failure = WriteSeriesCsv(*path, currentRun_->series)) {
    const UserMessage message = SeriesFileFailedMessage(*path, *failure, place_);
    window_.ShowMessage(message.text, message.title);
  }
}

void MainForm::MenuShowChart() {
  if (running_ || !currentRun_) return;
  window_.ShowChart(*currentRun_);
}

void MainForm::MenuSensitivity() {
  if (running_) return;
  // Each list over all its entries, the other two at the case's own entries.
  MultiplierChoice current{};
  for (std::size_t l = 0; l < std::size(kLists); ++l) {
    current[l] = CurrentEntry(model_, kLists[l]).value_or(0);
  }
  std::vector<MultiplierChoice> choices;
  for (std::size_t l = 0; l < std::size(kLists); ++l) {
    const int count = static_cast<int>(MultiplierEntries(kLists[l]).size());
    for (int entry = 0; entry < count; ++entry) {
      MultiplierChoice choice = current;
      choice[l] = entry;
      choices.push_back(choice);
    }
  }

  std::vector<CaseOutcome> outcomes;
  {
    RunState run(window_, running_);
    SweepControl control;
    control.threadStarter = threadStarter_;
    control.progress = [this](std::uint64_t done, std::uint64_t total) {
      return window_.ContinueRun(done, total);
    };
    try {
      outcomes = RunCases(model_, choices, control);
    } catch (...) {
      run.End();
      window_.ShowMessage(
          RunBrokeOffMessage("感度分析", std::current_exception(), "結果は表示しません。"),
          kRunBrokeOffTitle);
      TakeHeldChanges();
      return;
    }
  }

  const bool stopped = std::any_of(outcomes.begin(), outcomes.end(), [](const CaseOutcome& o) {
    return o.runStatus == RunStatus::Cancelled;
  });
  if (stopped) {
    window_.ShowMessage(kSensitivityCancelledMessage, kSensitivityCancelledTitle);
    TakeHeldChanges();
    return;
  }

  SensitivityFigures figures;
  std::size_t next = 0;
  for (std::size_t l = 0; l < std::size(kLists); ++l) {
    const std::span<const std::string_view> entries = MultiplierEntries(kLists[l]);
    for (int entry = 0; entry < static_cast<int>(entries.size()); ++entry) {
      const CaseOutcome& outcome = outcomes[next++];
      SensitivityPoint point;
      point.entry = entries[entry];
      point.factor = LeadingNumber(entries[entry]);
      point.current = entry == current[l];
      point.status = outcome.status;
      point.runStatus = outcome.runStatus;
      point.mouthVelocityWarning = outcome.mouthVelocityWarning;
      point.bayAverage =
          outcome.status == CaseStatus::Abandoned ? std::nan("") : outcome.bayAverage;
      figures.lists[l].push_back(point);
    }
    std::stable_sort(
        figures.lists[l].begin(), figures.lists[l].end(),
        [](const SensitivityPoint& a, const SensitivityPoint& b) { return a.factor < b.factor; });
  }
  window_.ShowSensitivity(figures);
  TakeHeldChanges();
}

void MainForm::MenuSaveReportPdf() {
  if (running_ || !currentRun_) return;
  const std::optional<std::string> path = window_.ChooseFile(FileChoice::SavePdf);
  if (!path) return;
  const std::optional<ReportContent> report =
      MakeReportContent(*this, window_, ReportDateTime(std::chrono::system_clock::now()));
  if (!report) return;
  if (const std::optional<std::string> failure = window_.WriteReportPdf(*path, *report)) {
    const UserMessage message = ReportPdfFailedMessage(*path, *failure);
    window_.ShowMessage(message.text, message.title);
  }
}

void MainForm::MenuPrintReport() {
  if (running_ || !currentRun_) return;
  const std::optional<ReportContent> report =
      MakeReportContent(*this, window_, ReportDateTime(std::chrono::system_clock::now()));
  if (!report) return;
  if (const std::optional<std::string> failure = window_.PrintReport(*report)) {
    const UserMessage message = ReportPrintFailedMessage(*failure);
    window_.ShowMessage(message.text, message.title);
  }
}

void MainForm::MenuAbout() {
  const std::string text = std::string("閉鎖性海域水質計算 Kurimo\nバージョン ") + kVersion +
                           "\n\n河川が流れ込み、湾口で外海とつながる湾の水質を、5 つのボックス"
                           "（移流・渦拡散、4 次のルンゲ・クッタ法）で計算します。";
  window_.ShowMessage(text, kAboutTitle);
}

void MainForm::MenuTargetLoad() {
  if (running_) return;
  targetShown_ = true;
  window_.ShowTargetLoad(TargetFigures());
}

void MainForm::TargetTextChange(std::string_view text) {
  const bool blank = text.find_first_not_of(" \t") == std::string_view::npos;
  if (!blank) {
    if (const std::optional<InputLimit> failed = FailedTargetText(text)) {
      window_.ShowMessage(failed->message, failed->title);
      return;
    }
  }
  targetText_ = blank ? std::string() : std::string(text);
  window_.UpdateTargetLoad(TargetFigures());
}

void MainForm::TargetApplyClick() {
  if (running_ || !target_ || target_->status != TargetStatus::Reachable) return;
  // As if typed: the box's check, the derived boxes, the colours and these figures follow.
  window_.SetBoxText(TextBox::Text8, target_->inflowQualityText);
}

TargetView MainForm::TargetFigures() {
  TargetView view;
  const bool hasTarget = !targetText_.empty();
  const TargetLoad figures =
      FindTargetLoadForCase(model_, hasTarget ? TextToNumber(targetText_) : 0.0);
  if (hasTarget) {
    target_ = figures;
    view.texts = FormatTargetLoad(figures);
    view.canApply = figures.status == TargetStatus::Reachable;
    return view;
  }
  // No target yet: only where the bay stands now and the lowest it can reach.
  target_.reset();
  const TargetTexts known = FormatTargetLoad(figures);
  view.texts.lowestReachableMean = known.lowestReachableMean;
  view.texts.currentMean = known.currentMean;
  view.texts.note = "目標の湾内平均水質を入力してください。";
  return view;
}

void MainForm::MenuExit() {
  Command2Click();
}

void MainForm::MenuCopyResults() {
  if (running_ || !currentRun_) return;
  window_.CopyToClipboard(ResultsSheetText(model_, *currentRun_, window_, CaseName()));
}

}  // namespace kurimo
