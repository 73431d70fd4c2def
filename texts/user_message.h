// A message for the user: its text and the title of the box that shows it (the batch
// runner prints the text alone).
#pragma once

#include <string>

namespace kurimo {

struct UserMessage {
  std::string text;
  std::string title;
};

}  // namespace kurimo
