// One run of kurimo-batch: the case run as the start button runs it, its result or fault on
// the console or as JSON, and the time series and the load for a target when asked.
#pragma once

#include "batch_options.h"
#include "bay_model.h"

namespace kurimo::batch {

// Runs the case and writes what the options ask for. Returns the exit status.
int RunSingleCommand(BayModel& model, const BatchOptions& options);

// Standard output, flushed; false (with the reason on standard error) when what was
// written did not arrive: a full disk, a closed descriptor.
bool StandardOutputWritten();

}  // namespace kurimo::batch
