// A message for the user: its text and the title of the box that shows it (the batch
// runner prints the text alone).
#pragma once

#include <string>

namespace kurimo {

struct UserMessage {
  std::string text;
  std::string title;
};

// Where a message appears: a message box of the window, whose user has the menus, or a
// terminal (kurimo-batch, kurimo --pdf), whose user gives options instead.
enum class MessagePlace { Window, Terminal };

}  // namespace kurimo
