// The Qt window: builds the controls where the layout puts them (in twips, at the
// screen's dots per inch) and implements the window operations for the handlers in
// MainForm. Every change notification goes straight to MainForm; the window holds no
// calculation of its own.
//   edit -> MainForm::TextChange -> check, case, derived boxes, colours
//   start -> MainForm::Command1Click -> run (progress dialog when long) -> file, result;
//   during a run the condition boxes and lists take no input.
#pragma once

#include <QMainWindow>
#include <array>
#include <memory>
#include <string>

#include "group_frame.h"
#include "main_form.h"
#include "message_presenter.h"
#include "panel_widget.h"
#include "run_progress.h"
#include "twips.h"
#include "window_ops.h"

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kurimo {

class ChartWindow;
class SensitivityWindow;
class TargetDialog;

// The items of the menu bar.
enum class MenuItem {
  OpenCase,
  SaveCase,
  OutputFile,
  SaveSeries,
  Exit,
  Chart,
  Sensitivity,
  About,
  TargetLoad,
  CopyResults,
  SaveReportPdf,
  PrintReport
};

class MainWindow final : public QMainWindow, public WindowOps {
 public:
  // The window is ready to show when this returns: the start-up sequence has run.
  explicit MainWindow(MessagePresenter& messages,
                      std::string outputPath = std::string(kDefaultOutputFileName));
  ~MainWindow() override;

  // --- The controls, for tests and for the screenshot.
  QLineEdit* Box(TextBox box) const;
  QListWidget* List(MultiplierList list) const;
  GroupFrame* Group(int group) const;        // 1..7 as in the colour scale
  QPushButton* Command(int number) const;    // 1 start, 2 exit, 3 defaults
  QLabel* Label(const QString& name) const;  // "Label1".."Label27", "Label17(1)"
  QWidget* OuterPanel() const { return picture1_; }
  PanelWidget* InnerPanel() const { return picture2_; }
  QWidget* ClientArea() const { return client_; }
  const TwipsScale& Scale() const { return scale_; }
  MainForm& Form() { return form_; }
  // How long a run goes on before the progress dialog appears (500 ms by default).
  void SetProgressDelay(int milliseconds) { progress_.SetDelay(milliseconds); }
  QProgressDialog* ProgressDialog() const { return progress_.Dialog(); }
  QAction* Action(MenuItem item) const;
  // The chart window, once it has been opened.
  ChartWindow* Chart() const { return chart_; }
  SensitivityWindow* Sensitivity() const { return sensitivity_; }
  TargetDialog* TargetLoadDialog() const { return target_; }

  // --- WindowOps.
  std::string BoxText(TextBox box) const override;
  void SetBoxText(TextBox box, std::string_view text) override;
  void SetListEntryText(MultiplierList list, int index, std::string_view text) override;
  std::string ListEntryText(MultiplierList list, int index) const override;
  int SelectedListIndex(MultiplierList list) const override;
  void SelectListEntry(MultiplierList list, std::string_view text) override;
  void SetGroupColour(int group, PackedColour colour) override;
  void ShowMessage(std::string_view text, std::string_view title) override;
  Canvas& Panel() override { return *picture2_; }
  std::string FontFace() const override;
  int ClientWidthTwips() const override;
  int ClientHeightTwips() const override;
  void PlaceOuterPanel(int left, int top, int width, int height) override;
  void BeginRun() override;
  bool ContinueRun(std::uint64_t stepsDone, std::uint64_t stepCount) override;
  void EndRun() override;
  void EndProgram() override;
  std::optional<std::string> ChooseFile(FileChoice choice) override;
  std::optional<std::string> ChooseOutputFile(std::string_view current) override;
  void SetRunResultsAvailable(bool available) override;
  void ShowChart(const RunRecord& record) override;
  void UpdateChart(const RunRecord& record) override;
  void ShowSensitivity(const SensitivityFigures& figures) override;
  void SetCaseName(std::string_view fileName) override;
  void ShowTargetLoad(const TargetView& view) override;
  void UpdateTargetLoad(const TargetView& view) override;
  void CopyToClipboard(std::string_view text) override;
  std::optional<std::string> WriteReportPdf(const std::string& path,
                                            const ReportContent& report) override;
  std::optional<std::string> PrintReport(const ReportContent& report) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void BuildMenus();
  void BuildControls();
  void SetTabOrder();
  void FitCaptions();
  QLabel* AddLabel(const QString& name, QWidget* parent, int left, int top, int width, int height,
                   const QString& caption);
  void AddBox(TextBox box, bool display, int left, int top, int width, int height);
  void AddList(MultiplierList list, int left, int top, int width, int height);
  QPushButton* AddButton(int number, int left, int top, int width, int height,
                         const QString& caption, QColor colour);
  void AddGroup(int group, int left, int top, int width, int height, const QString& caption,
                bool showCaption, QColor colour);
  // A case file dragged onto the window or any of its boxes: one local file, taken while
  // no run is going and opened once dropped. True when the event was such a drag.
  bool TakeCaseDrag(QEvent* event);
  // During a run the condition boxes are read-only and the lists drop the user's input, so
  // that neither the case nor the screen changes under the run; nothing else looks different.
  void RefuseConditionInput(bool refuse);
  // The user's input to a list (its entries, its scroll bar) while a run refuses it.
  bool RefusedListInput(QObject* watched, QEvent* event) const;

  MessagePresenter& messages_;
  TwipsScale scale_;
  QWidget* client_ = nullptr;
  QWidget* picture1_ = nullptr;
  PanelWidget* picture2_ = nullptr;
  std::array<QLineEdit*, kTextBoxCount + 1> boxes_{};
  std::array<QListWidget*, 3> lists_{};
  std::array<GroupFrame*, kGroupCount + 1> groups_{};
  std::array<QPushButton*, 4> commands_{};
  std::array<QAction*, 12> actions_{};
  ChartWindow* chart_ = nullptr;
  SensitivityWindow* sensitivity_ = nullptr;
  TargetDialog* target_ = nullptr;
  bool inputRefused_ = false;  // a run is under way

  RunProgress progress_{this};

  MainForm form_;  // last: its handlers use the controls above
};

}  // namespace kurimo
