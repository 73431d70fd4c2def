#include "stop_signals.h"

#include <csignal>
#include <initializer_list>

namespace kurimo::batch {
namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void OnStopSignal(int signalNumber) {
  if (g_stopSignal == 0) g_stopSignal = signalNumber;
}

}  // namespace

void InstallStopHandlers() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  for (int signalNumber : {SIGINT, SIGTERM, SIGHUP})
    sigaction(signalNumber, &action, nullptr);
}

int StopSignal() {
  return g_stopSignal;
}

}  // namespace kurimo::batch
