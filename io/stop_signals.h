// Ctrl-C, SIGTERM and SIGHUP ask a program to stop: the handler only notes the signal, and
// whatever is under way (a run, a sweep, a wait for a slow pipe or a case pipe) stops at its
// next look, removes its unfinished files and leaves every earlier file as it was. The
// handlers do not restart interrupted system calls, so that a read or write that waits for
// a pipe returns at once and sees the stop.
#pragma once

namespace kurimo {

// Installs the handlers; called before any file is opened.
void InstallStopHandlers();

// Ignores SIGXFSZ, so that a write past the file-size limit (ulimit -f) fails with EFBIG and
// is told as a failure of that file, instead of ending the program with an unfinished
// temporary file left behind.
void IgnoreFileSizeSignal();

// The signal that asked the program to stop, or 0.
int StopSignal();

inline bool StopAsked() {
  return StopSignal() != 0;
}

}  // namespace kurimo
