#include "CliSignals.h"

#include <atomic>
#include <csignal>

namespace lw::cli {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGPIPE};
std::atomic<int> gReceived{0};

extern "C" void OnStopSignal(int signal) {
  int none = 0;
  gReceived.compare_exchange_strong(none, signal);
}

struct sigaction gPrevious[3];

}  // namespace

TStopSignals::TStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // Restarted system calls: a signal must not turn a read or write into a failure; the
  // command sees it at its next check. A write to a closed pipe still fails with EPIPE.
  action.sa_flags = SA_RESTART;
  for (int i = 0; i < 3; ++i) sigaction(kStopSignals[i], &action, &gPrevious[i]);
}

TStopSignals::~TStopSignals() {
  for (int i = 0; i < 3; ++i) sigaction(kStopSignals[i], &gPrevious[i], nullptr);
}

int TStopSignals::Received() {
  return gReceived.load();
}

int TStopSignals::ExitStatus() {
  return 128 + gReceived.load();
}

void TStopSignals::Clear() {
  gReceived.store(0);
}

}  // namespace lw::cli
