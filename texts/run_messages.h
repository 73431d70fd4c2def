// The texts a user is shown about a run: its result, and what went wrong when it could
// not finish. Shared by the window (message boxes) and the batch runner (console).
#pragma once

#include <string>
#include <string_view>

#include "bay_model.h"
#include "user_message.h"

namespace kurimo {

// The result message: "計算結果(湾内平均水質)", a carriage return, the mean rounded to 2
// places as the boxes show numbers, and "(g/m3)".
UserMessage ResultMessage(double bayAverage);

// The line that says the step was shortened for stability, from the rule's step to the
// step used (whole minutes).
std::string TimeStepReducedLine(double ruleMinutes, double usedMinutes);

// The result message of a completed run: ResultMessage, and after a carriage return the
// time-step line when the run shortened its step.
UserMessage RunResultMessage(const BayModel& model);

// The status as one word for machine-read output (JSON, CSV): "done", "diverged", ...
std::string_view RunStatusName(RunStatus status);

// The message for a run that did not complete (any status but Completed), in the words for
// where it appears: an output file that cannot be written is to be chosen again through the
// menu in the window, with --output on a terminal.
UserMessage RunFaultMessage(const RunResult& result, std::string_view outputPath,
                            MessagePlace place = MessagePlace::Window);

}  // namespace kurimo
