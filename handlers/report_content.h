// What the printed report of a run says, without any toolkit: labelled texts for the case,
// its computed boxes, indicators and result, and the figures the page draws (the colours
// of the schematic, the colour scale of the legend, the time series of the chart). Made
// only from a finished run of the current conditions, so that the page never shows a
// result the conditions on it did not give.
#pragma once

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "colour_scale.h"
#include "run_messages.h"
#include "window_ops.h"

namespace kurimo {

class MainForm;

// One line of a table: what it is (with its unit, as the window labels it) and its value.
struct ReportItem {
  std::string label;
  std::string value;
  bool operator==(const ReportItem&) const = default;
};

// One bay box of the result: its concentration when the run ended and its steady state.
struct ReportBox {
  std::string label;  // "ボックス1（湾奥）"
  std::string final;  // g/m3, as the window shows numbers
  std::string steady;
  bool operator==(const ReportBox&) const = default;
};

struct ReportContent {
  std::string title;
  std::string createdAt;                // date and time the report was made
  std::string caseName;                 // the case's file name, or 無題
  std::vector<ReportItem> conditions;   // the six conditions as typed
  std::vector<ReportItem> multipliers;  // the three list entries
  std::vector<ReportItem> computed;     // the boxes the window computes from them
  std::vector<ReportItem> indicators;   // residence time, closedness, load per volume
  std::vector<ReportItem> result;       // bay mean, times, the time step
  std::vector<ReportBox> boxes;         // boxes 1..5
  std::vector<std::string> notes;       // the shortened step, the run's warning

  // The figures behind the page's pictures.
  double bayMean = 0;  // g/m3, as the window shows it (2 places)
  double flushingDays = 0;
  double timeStepMinutes = 0;
  bool timeStepShortened = false;
  bool mouthVelocityWarning = false;
  std::array<PackedColour, kGroupCount + 1> groupColours{};  // 1..7, as the window colours them
  std::array<double, 6> boxValues{};  // 1..5: the concentrations written in the schematic
  ColourScale scale;                  // the legend's levels
  RunRecord run;                      // the chart's series and steady state
};

// The report of the form's last finished run, with the computed boxes as the window shows
// them; no value when no run of the current conditions has finished.
std::optional<ReportContent> MakeReportContent(const MainForm& form, const WindowOps& window,
                                               std::string createdAt);

// A moment in local time as the report dates itself: "2025年03月04日 14:05".
std::string ReportDateTime(std::chrono::system_clock::time_point when);

// The messages for a report that could not be written or printed; `reason` is the
// system's reason.
UserMessage ReportPdfFailedMessage(std::string_view path, std::string_view reason);
UserMessage ReportPrintFailedMessage(std::string_view reason);

}  // namespace kurimo
