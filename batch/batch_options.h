// kurimo-batch's command line: the condition texts and multiplier entries as a user would
// type or pick them, a case file to start from, and what to write.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <variant>

#include "bay_model.h"
#include "sweep_command.h"

namespace kurimo::batch {

struct BatchOptions {
  std::array<std::optional<std::string>, 6> texts;    // in ConditionBox order; none: default
  std::array<std::optional<std::string>, 3> entries;  // in MultiplierList order; none: "1.0"
  std::optional<std::string> saveCasePath;            // --save-case
  std::optional<std::string> seriesPath;              // --series
  std::string outputPath;                             // --output, or Kurimo_OUT.txt
  bool json = false;                                  // --json
  std::optional<std::string> targetText;              // --target-mean, checked
  std::optional<SweepRequest> sweep;                  // --sweep [--sweep-output]
};

// Reads the command line. Every condition text and entry given is checked, even one that a
// case file given after it replaces; the case file's values replace the options given
// before it. On --help or --version (printed) and on a mistake (said on standard error)
// the result is the exit status to end with.
std::variant<BatchOptions, int> ParseBatchOptions(int argc, const char* const* argv);

// The default case with the options' texts and entries in place, as the window's
// handlers would store them.
BayModel CaseOf(const BatchOptions& options);

// Writes the --save-case file, if asked for; false (the reason said on standard error)
// when it could not be written.
bool SaveCaseIfAsked(const BatchOptions& options);

}  // namespace kurimo::batch
