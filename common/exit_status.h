// The exit statuses of both programs (kurimo-batch, and kurimo when it works without a
// window), for the programs themselves and for scripts and tests that call them.
#pragma once

namespace kurimo::batch {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFileError = 1;  // a file or standard output could not be written
inline constexpr int kExitBadInput = 2;   // an option, a condition text or a case file
inline constexpr int kExitRunFault = 3;   // the run was abandoned (the message says why)

// A run or sweep stopped by a signal ends as a shell reports a process the signal ended:
// 128 + the signal (130 for Ctrl-C's SIGINT, 143 for SIGTERM, 129 for SIGHUP).
constexpr int ExitStatusForSignal(int signalNumber) {
  return 128 + signalNumber;
}

}  // namespace kurimo::batch
