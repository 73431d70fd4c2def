// kurimo-batch --sweep: every combination of the entries of the named multiplier lists,
// run for the conditions given on the command line, written as one CSV table.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "bay_model.h"
#include "sweep.h"

namespace kurimo::batch {

// The lists named in the --sweep value ("section,quality", ...), in the order section,
// quality, quantity; an empty value names all three. No value when a name is unknown or
// empty.
std::optional<std::array<bool, 3>> ParseSweepLists(std::string_view text);

// The table: UTF-8 with a byte-order mark, a heading row, then one row per outcome, each
// line ending in CR LF. Numbers are written with the fewest digits that read back as the
// same double.
std::string SweepTable(std::span<const CaseOutcome> outcomes);

// What is wrong with the sweep options given together with the others, in words for the
// user, or no value when they fit: --sweep-output needs --sweep, and a sweep writes
// neither the output file (--output), nor JSON (--json), nor a time series (--series), nor
// the load for a target mean (--target-mean).
std::optional<std::string> SweepOptionConflict(bool sweep, bool sweepOutput, bool output, bool json,
                                               bool series, bool targetMean = false);

struct SweepRequest {
  std::string lists;                      // the --sweep value
  std::optional<std::string> outputPath;  // --sweep-output; no value: standard output
};

// Runs the sweep and writes the table (a file only once it is complete). Messages go to
// standard error: unknown list names, a table that could not be written, a stop, and a
// count of the cases that warned or were abandoned. A stop signal stops the sweep, and
// nothing is written. Returns the exit status.
int RunSweepCommand(const BayModel& conditions, const SweepRequest& request);

}  // namespace kurimo::batch
