// Ctrl-C, SIGTERM and SIGHUP stop a run or a sweep at its next look: the handler only notes
// the signal, so the run removes its unfinished files and leaves every earlier file as it was.
#pragma once

namespace kurimo::batch {

// Installs the handlers; called before any file is opened.
void InstallStopHandlers();

// The signal that asked the program to stop, or 0.
int StopSignal();

inline bool StopAsked() {
  return StopSignal() != 0;
}

}  // namespace kurimo::batch
