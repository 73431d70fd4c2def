// kurimo --pdf: the report of a case written as a PDF file without opening a window, for
// scripts. The case (the default one, or a case file) goes through the same handlers as
// in the window, the run writes its report to a temporary file unless an output path is
// given, and the page is the one the window saves.
#pragma once

#include <ostream>

#include "start_options.h"

namespace kurimo {

// Runs the case of `options` and writes its report to options.pdfPath. Messages go to
// `err` in Japanese. Returns the exit status (common/exit_status.h): 0 written, 1 a file
// could not be written, 2 the case file was refused, 3 the run was abandoned, 128 + the
// signal when a stop signal (stop_signals.h, installed by the caller) ended it. Needs the
// application object.
int WriteReportWithoutWindow(const StartOptions& options, std::ostream& err);

}  // namespace kurimo
