// The texts a user is shown about a run: its result, and what went wrong when it could
// not finish. Shared by the window (message boxes) and the batch runner (console).
#pragma once

#include <string>
#include <string_view>

#include "bay_model.h"

namespace kurimo {

// The warning before stepping when the time step is unstable for the case (see
// BayModel::DiagnoseStability). The run continues after it with unchanged results.
inline constexpr std::string_view kUnstableStepTitle = "計算が不安定になるおそれ";
inline constexpr std::string_view kUnstableStepMessage =
    "湾口部を通る海水交換が湾の容積に比べて大きすぎるため、この時間刻み（ﾀｲﾑｽﾃｯﾌﾟ）では"
    "計算が振動したり発散したりするおそれがあります。このまま計算を続けますが、結果は"
    "信頼できません。湾面積を大きくするか、湾口部長さを短くする（または湾口部断面積の"
    "倍率を下げる）と安定します。";

struct UserMessage {
  std::string text;
  std::string title;
};

// The result message: "計算結果(湾内平均水質)", a carriage return, the mean rounded to 2
// places as the boxes show numbers, and "(g/m3)".
UserMessage ResultMessage(double bayAverage);

// The status as one word for machine-read output (JSON, CSV): "done", "diverged", ...
std::string_view RunStatusName(RunStatus status);

// The message for a run that did not complete (any status but Completed).
UserMessage RunFaultMessage(const RunResult& result, std::string_view outputPath);

// The message for a time-series CSV file that could not be written; `reason` is the
// system's reason as WriteSeriesCsv returns it.
UserMessage SeriesFileFailedMessage(std::string_view path, std::string_view reason);

}  // namespace kurimo
