// kurimo-batch: runs one case of the bay model without a window, as the start button would,
// and writes the output file. Conditions are given as the texts a user would type into
// the boxes, or come from a saved case file; each goes through its box's check. The run's
// time series can be written as a CSV file, and a sweep runs every combination of the
// multiplier lists into one table.
#include <variant>

#include "batch_options.h"
#include "exit_status.h"
#include "run_command.h"
#include "stop_signals.h"
#include "sweep_command.h"

int main(int argc, char** argv) {
  using namespace kurimo::batch;
  // Before any file is opened: a stop asked for at any moment finds its handler, and a file
  // that reaches the file-size limit fails as a file instead of ending the program.
  kurimo::InstallStopHandlers();
  kurimo::IgnoreFileSizeSignal();
  const std::variant<BatchOptions, int> parsed = ParseBatchOptions(argc, argv);
  if (const int* status = std::get_if<int>(&parsed)) return *status;
  const BatchOptions& options = std::get<BatchOptions>(parsed);

  kurimo::BayModel model = CaseOf(options);
  const bool saved = SaveCaseIfAsked(options);
  if (kurimo::StopAsked()) return ExitStatusForSignal(kurimo::StopSignal());
  if (!saved) return kExitFileError;
  if (options.sweep) return RunSweepCommand(model, *options.sweep);
  return RunSingleCommand(model, options);
}
