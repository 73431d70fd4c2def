// The window's handlers, written against WindowOps so that they run the same in the Qt
// window and in tests. The flow:
//   edit a condition box -> check the text -> store it in the case -> rewrite the derived
//   boxes (and recolour the groups for the water-quality boxes);
//   pick a multiplier -> set the factor -> rewrite the boxes that depend on it;
//   start -> run the model -> output file, bay mean in Text16, bay colours, result message;
//   menu items -> case files and the series (formats/), the chart, the sensitivity table,
//   the load for a target, the copy and the report page (report_content.h).
// A run (start, or the sensitivity table) holds the case still: edits and picks that reach
// the handlers meanwhile are held back and handled once the run's result is shown.
// The form owns the case (BayModel), the colour scale and the legend; the window itself
// holds no calculation.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "bay_model.h"
#include "case_inputs.h"
#include "colour_legend.h"
#include "colour_scale.h"
#include "thread_start.h"
#include "user_message.h"
#include "window_ops.h"

namespace kurimo {

class MainForm {
 public:
  // The output file of a run is written at outputPath (the working folder's
  // Kurimo_OUT.txt unless told otherwise).
  // Its messages advise on the window's menus, or, for a form that runs behind a terminal
  // command (kurimo --pdf), on the command's options.
  explicit MainForm(WindowOps& window, std::string outputPath = std::string(kDefaultOutputFileName),
                    MessagePlace place = MessagePlace::Window);

  // Prepares the window before it is first shown: fits the outer panel, fills the lists,
  // loads the default case, builds the colour scale, colours the groups, draws the legend.
  void FormLoad();
  // Keeps the outer panel over the whole client area; a minimised window changes nothing.
  void FormResize();
  // The change notification of a text box; only the six editable boxes react. During a
  // run the change is held back until the run's result is shown (see Running).
  void TextChange(TextBox box);
  // The selection notification of a multiplier list; held back during a run as an edit is.
  void ListClick(MultiplierList list);
  void Command1Click();  // 計算開始: run and show the result
  void Command2Click();  // 終了（閉じる）: end the program
  void Command3Click();  // デフォルトに戻す: first entries, default case, colours, legend

  // Loads the default case and writes all sixteen boxes.
  void SetDefaultConditions();

  // The menu bar.
  void MenuOpenCase();  // ケースを開く…: boxes and lists as if typed and picked
  void MenuSaveCase();  // ケースを保存…: the six condition texts and the three entries
  void MenuOutputFile();  // 出力ファイルの保存先…: where the following runs write the report
  void MenuSaveSeries();   // 時系列をCSVで保存…: the last run's time series
  void MenuShowChart();    // 時系列グラフ…
  void MenuSensitivity();  // 感度分析…: each multiplier alone over its list
  void MenuAbout();        // このプログラムについて…
  void MenuExit();         // 終了
  void MenuTargetLoad();   // 負荷削減の試算…: the load for a target bay mean

  // The load-reduction dialog: its target box changed (checked as the quality boxes are,
  // an empty box clears the target), and its button writes the quality found into the
  // inflow-quality box as typing would.
  void TargetTextChange(std::string_view text);
  void TargetApplyClick();
  // The figures for the last accepted target, while there is one.
  const std::optional<TargetLoad>& Target() const { return target_; }
  void MenuCopyResults();  // 結果をコピー: the last run as a table for a spreadsheet
  // 報告書をPDFで保存… and 印刷…: the last run's report as a PDF file or on a printer.
  void MenuSaveReportPdf();
  void MenuPrintReport();

  // Opens the case file at path as ケースを開く does once a file is chosen: every box and
  // list as if typed and picked, or a message when the file is refused. True when opened.
  bool OpenCase(const std::string& path);
  // The file name of the case (without its folder), or 無題 when it has none yet.
  std::string CaseName() const;

  // The last finished run, while the conditions are still the ones it ran with.
  const std::optional<RunRecord>& CurrentRun() const { return currentRun_; }
  // How the last start of a run ended (Completed before any run).
  RunStatus LastRunStatus() const { return lastRunStatus_; }

  const BayModel& Model() const { return model_; }
  const std::string& OutputPath() const { return outputPath_; }
  const ColourScale& Scale() const { return scale_; }
  // A run is under way: from the start of 計算開始 or 感度分析 to the end of its result.
  bool Running() const { return running_; }
  // Where the sensitivity table's sweep gets its threads (the platform's unless set).
  void SetThreadStarter(ThreadStarter& starter) { threadStarter_ = &starter; }

 private:
  void ColourGroup(int group, float concentration);
  void ColourAllGroups();    // every group from the conditions, after the scale is built
  void DefaultTail();        // default case, scale, colours, legend
  void ConditionsChanged();  // the last run no longer matches the conditions
  // Handles the edits and picks held back during the run that has just ended, in the
  // order of their last change, each box or list that no longer agrees with the case.
  void TakeHeldChanges();
  void CaseNamed();  // the case has just been opened from or saved to caseFile_

  TargetView TargetFigures();  // recomputes target_ for the case as it stands

  void WriteNumber(TextBox box, double value);
  void WriteRounded(TextBox box, double value, int places);
  void WriteChangedMouthSection();
  void WriteChangedInflowLoad();
  void WriteResidenceTime();
  void WriteClosedness();
  void WriteLoadPerVolume();

  WindowOps& window_;
  std::string outputPath_;
  MessagePlace place_;
  BayModel model_;
  ColourScale scale_;
  ColourLegend legend_;
  bool running_ = false;
  // The boxes and lists whose change arrived during the run, by their last change.
  std::vector<std::variant<TextBox, MultiplierList>> heldChanges_;
  ThreadStarter* threadStarter_ = nullptr;
  std::string caseFile_;  // the path the case was last opened from or saved to
  std::optional<RunRecord> currentRun_;
  std::string targetText_;  // the last accepted text of the target box; empty: no target
  std::optional<TargetLoad> target_;
  bool targetShown_ = false;  // the dialog has been opened and follows the case
  RunStatus lastRunStatus_ = RunStatus::Completed;
};

}  // namespace kurimo
