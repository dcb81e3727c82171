// Downloads one URL into a file through the transfer client and prints the time, for
// bench/net/run.sh to set against curl on the same file in the same run.
//
//   lw-net-bench get URL OUT      headless, no pump (as the command-line tool runs)
//   lw-net-bench window URL OUT   inside a shown Qt window whose pump processes its events;
//                                 also prints the longest gap of a 5 ms timer during the
//                                 download (the window's longest stall)
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <string>

#include "Transfer.h"

namespace {

using TClock = std::chrono::steady_clock;

double Seconds(TClock::time_point since) {
  return std::chrono::duration<double>(TClock::now() - since).count();
}

int Get(const std::string& url, const std::string& out, bool window, int argc, char** argv) {
  lw::TTransferRequest request;
  request.Url = url;
  request.TimeoutMs = 10000;
  std::unique_ptr<QApplication> app;
  std::unique_ptr<QLabel> label;
  QTimer timer;
  double longestGapMs = 0;
  auto lastTick = TClock::now();
  double longestPumpGapMs = 0;  // between two pump calls: the transfer's own share of a stall
  auto lastPump = TClock::now();
  if (window) {
    app = std::make_unique<QApplication>(argc, argv);
    label = std::make_unique<QLabel>("Downloading...");
    label->resize(300, 80);
    label->show();
    QApplication::processEvents();
    QObject::connect(&timer, &QTimer::timeout, [&] {
      const auto now = TClock::now();
      longestGapMs =
          std::max(longestGapMs, std::chrono::duration<double, std::milli>(now - lastTick).count());
      lastTick = now;
    });
    timer.setTimerType(Qt::PreciseTimer);
    timer.start(5);
    request.Pump = [&] {
      const auto now = TClock::now();
      longestPumpGapMs = std::max(
          longestPumpGapMs, std::chrono::duration<double, std::milli>(now - lastPump).count());
      lastPump = now;
      QApplication::processEvents();
      return true;
    };
    std::uint64_t shown = 0;
    request.OnProgress = [&](std::uint64_t received, std::uint64_t total) {
      // What a progress bar costs: one text update per percent.
      if (total > 0 && received * 100 / total != shown) {
        shown = received * 100 / total;
        label->setText(QString::number(shown) + " %");
      }
      return true;
    };
    lastTick = lastPump = TClock::now();
  }
  const auto start = TClock::now();
  try {
    const lw::TTransferResult got = lw::TTransfer().GetFile(request, out);
    std::printf("net seconds=%.6f bytes=%llu", Seconds(start),
                static_cast<unsigned long long>(got.Bytes));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  if (window)
    std::printf(" longest_stall_ms=%.1f longest_pump_gap_ms=%.1f", longestGapMs, longestPumpGapMs);
  std::printf("\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || (std::string(argv[1]) != "get" && std::string(argv[1]) != "window")) {
    std::fprintf(stderr, "usage: lw-net-bench get|window URL OUT\n");
    return 2;
  }
  return Get(argv[2], argv[3], std::string(argv[1]) == "window", argc, argv);
}
