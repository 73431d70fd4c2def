// The window operations that the handlers use. The Qt window implements them for real;
// tests implement them with a recording window. Setting an editable box's text and
// selecting a list entry notify the handlers, as a user's typing and picking do.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "case_inputs.h"
#include "colour_scale.h"
#include "drawing.h"
#include "sweep.h"
#include "target_load.h"
#include "time_series.h"

namespace kurimo {

// The sixteen text boxes, numbered as the window names them.
enum class TextBox : int {
  Text1 = 1,  // bay area (km2), editable
  Text2,      // mean depth (m), editable
  Text3,      // bay volume (km3)
  Text4,      // mouth length (km), editable
  Text5,      // mouth depth (m)
  Text6,      // mouth cross-section (km2)
  Text7,      // open-sea quality (g/m3), editable
  Text8,      // inflow quality (g/m3), editable
  Text9,      // inflow rate (m3/s), editable
  Text10,     // inflow load (g/s)
  Text11,     // changed mouth cross-section (km2)
  Text12,     // changed inflow load (g/s)
  Text13,     // residence time (days)
  Text14,     // closedness index
  Text15,     // inflow load per bay volume (g/m3/day)
  Text16,     // bay mean (g/m3)
};
inline constexpr int kTextBoxCount = 16;

// The condition an editable box holds, or no value for a box the system writes.
std::optional<ConditionBox> EditedCondition(TextBox box);

// What the chart and the time-series file show of the last finished run.
struct RunRecord {
  TimeSeries series;
  std::array<double, 5> steadyState{};  // boxes 1..5
  std::string caseName;                 // the case file's name, or 無題
  double residenceTimeDays = 0;         // the fresh water's: bay volume over river flow
  double flushingTimeDays = 0;          // the chain's slowest mode, the mouth's exchange too
  // The run warned that the river's flow through the mouth was too fast.
  bool mouthVelocityWarning = false;
};

// The sensitivity of the bay mean to each multiplier alone: one point per list entry,
// sorted by factor, the other two lists at their current entries.
struct SensitivityPoint {
  std::string entry;  // the list's text, "0.2"
  double factor = 0;
  bool current = false;  // the entry the case has now
  CaseStatus status = CaseStatus::Done;
  RunStatus runStatus = RunStatus::Completed;
  bool mouthVelocityWarning = false;
  double bayAverage = 0;  // g/m3, unrounded; not a number when the run was abandoned
};
struct SensitivityFigures {
  std::array<std::vector<SensitivityPoint>, 3> lists;  // in MultiplierList order
};

// What the load-reduction dialog shows: the figures for the target typed into it (blank
// until one is), and whether its quality can be written into the inflow-quality box.
struct TargetView {
  TargetTexts texts;
  bool canApply = false;
};

// The files the user picks in a file dialog.
enum class FileChoice { OpenCase, SaveCase, SaveSeries, SavePdf };

struct ReportContent;

class WindowOps {
 public:
  virtual ~WindowOps() = default;

  virtual std::string BoxText(TextBox box) const = 0;
  // Changing the text of an editable box runs its edit handler before this returns.
  virtual void SetBoxText(TextBox box, std::string_view text) = 0;

  virtual void SetListEntryText(MultiplierList list, int index, std::string_view text) = 0;
  virtual std::string ListEntryText(MultiplierList list, int index) const = 0;
  // The selected entry, or -1 when none is.
  virtual int SelectedListIndex(MultiplierList list) const = 0;
  // Selects the entry with that text; when the selection changes, the list's selection
  // handler runs before this returns.
  virtual void SelectListEntry(MultiplierList list, std::string_view text) = 0;

  // group: 1..5 the bay boxes from the river side, 6 the inflow, 7 the open sea.
  virtual void SetGroupColour(int group, PackedColour colour) = 0;

  // A modal message box with one OK button; returns when the user has closed it.
  virtual void ShowMessage(std::string_view text, std::string_view title) = 0;

  // The inner panel that carries the legend, and the window's font face.
  virtual Canvas& Panel() = 0;
  virtual std::string FontFace() const = 0;

  // The client area in twips, and placing the outer panel in it.
  virtual int ClientWidthTwips() const = 0;
  virtual int ClientHeightTwips() const = 0;
  virtual void PlaceOuterPanel(int left, int top, int width, int height) = 0;

  // A calculation's progress. BeginRun and EndRun bracket it; in between, ContinueRun is
  // called every few milliseconds with the steps done (across all cases, for several) and
  // returns false once the user has asked to stop. The window blocks every other input
  // meanwhile, the condition boxes and lists included; a change that reaches the handlers
  // all the same is held back until the run's result is shown.
  virtual void BeginRun() = 0;
  virtual bool ContinueRun(std::uint64_t stepsDone, std::uint64_t stepCount) = 0;
  virtual void EndRun() = 0;

  // Ends the program at once.
  virtual void EndProgram() = 0;

  // Asks for a file to open or save; no value when the user cancels.
  virtual std::optional<std::string> ChooseFile(FileChoice choice) = 0;
  // Asks where the runs' report goes, starting from the current path; no value when the
  // user cancels.
  virtual std::optional<std::string> ChooseOutputFile(std::string_view current) = 0;
  // Enables the menu items that need a finished run of the current conditions.
  virtual void SetRunResultsAvailable(bool available) = 0;
  // Opens the chart of a run, or brings it to the front with these figures.
  virtual void ShowChart(const RunRecord& record) = 0;
  // A new run has finished: an open chart shows its figures.
  virtual void UpdateChart(const RunRecord& record) = 0;
  // Opens (or brings to the front) the sensitivity window with these figures.
  virtual void ShowSensitivity(const SensitivityFigures& figures) = 0;
  // The case now has this file behind it (the name without its folder): it was opened
  // from the file or saved to it. The window's and the chart's titles carry the name.
  virtual void SetCaseName(std::string_view fileName) = 0;
  // Opens (or brings to the front) the load-reduction dialog with these figures.
  virtual void ShowTargetLoad(const TargetView& view) = 0;
  // The case changed: an open load-reduction dialog shows these figures.
  virtual void UpdateTargetLoad(const TargetView& view) = 0;
  // Puts the text on the clipboard, for pasting elsewhere.
  virtual void CopyToClipboard(std::string_view text) = 0;
  // Writes the report as a one-page PDF at path, replacing the file only by a complete one;
  // no value on success, or the reason for the failure in words for the user.
  virtual std::optional<std::string> WriteReportPdf(const std::string& path,
                                                    const ReportContent& report) = 0;
  // Asks for a printer and prints the report on it. No value when it was printed or the
  // user cancelled, or the reason why it could not be printed.
  virtual std::optional<std::string> PrintReport(const ReportContent& report) = 0;
};

}  // namespace kurimo
