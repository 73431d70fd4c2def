// The checks of the six editable condition boxes and the entries of the three multiplier
// lists: shared by the window's handlers and the batch runner.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kurimo {

class BayModel;

enum class ConditionBox {
  BayArea,
  MeanDepth,
  MouthLength,
  OpenSeaQuality,
  InflowQuality,
  InflowRate
};

// A box's limit and what the user is told when a text breaks it.
struct InputLimit {
  std::string_view message;
  std::string_view title;
};

// The limit that the text breaks, or no value when it passes: the whole text must be a
// number (IsNumberText), and both its leading number (LeadingNumber) and its full value
// (ParseNumberText) must meet the box's bound. A text holding a control character (any
// of U+0000..U+001F but the tab, or U+007F) fails with its own message under the box's
// title.
std::optional<InputLimit> FailedInputLimit(ConditionBox box, std::string_view text);

// Stores a text that has passed into the box's condition (the model part of the box's
// edit handler).
void AcceptConditionText(BayModel& model, ConditionBox box, std::string text);

// The text the box's condition holds: the last one that passed its check.
const std::string& ConditionText(const BayModel& model, ConditionBox box);

enum class MultiplierList { Section, Quality, Quantity };

// The entries in list order; entry 0, "1.0", is the factor of the default case.
std::span<const std::string_view> MultiplierEntries(MultiplierList list);

// The factor of an entry (its leading number), or no value when the text is not one of
// the list's entries.
std::optional<double> MultiplierFactor(MultiplierList list, std::string_view entry);

// Sets the list's factor in the model (the quality factor in single precision).
void SetMultiplier(BayModel& model, MultiplierList list, double factor);

// "1.0", "0.2", ... joined with ", ", for messages that name the allowed entries.
std::string JoinedEntries(MultiplierList list);

}  // namespace kurimo
