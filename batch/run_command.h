// One run of kurimo-batch: the case run as the start button runs it, its result or fault on
// the console or as JSON, and the time series and the load for a target when asked.
#pragma once

#include "batch_options.h"
#include "bay_model.h"

namespace kurimo::batch {

// Runs the case and writes what the options ask for: the report, then the time series
// (--series) when the run completed, then the result. A run that did not complete replaces
// neither file. A stop signal at any point, also while a write waits for a slow pipe, ends
// the command with the signal's status; files not yet complete are not written. Returns
// the exit status.
int RunSingleCommand(BayModel& model, const BatchOptions& options);

}  // namespace kurimo::batch
