// The texts a user is shown about a run: its result, and what went wrong when it could
// not finish. Shared by the window (message boxes) and the batch runner (console).
#pragma once

#include <string>
#include <string_view>

#include "bay_model.h"

namespace kurimo {

struct UserMessage {
  std::string text;
  std::string title;
};

// The result message: "計算結果(湾内平均水質)", a carriage return, the mean rounded to 2
// places as the boxes show numbers, and "(g/m3)".
UserMessage ResultMessage(double bayAverage);

// The message for a run that did not complete (any status but Completed).
UserMessage RunFaultMessage(const RunResult& result, std::string_view outputPath);

}  // namespace kurimo
