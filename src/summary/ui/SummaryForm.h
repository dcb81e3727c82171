#pragma once

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <atomic>
#include <thread>

#include "Summary.h"

class QChart;

namespace lw {

class TSharedData;

// The summary of the results: a bar chart by state, employee class, sales class and SIC major
// group and, when the table has positions, a map of them. It reads the result table once, in
// the background, through a session of its own, and shows a busy bar until it has. A view
// only: the charts narrow nothing, but each can be copied or saved as PNG or SVG.
class TSummaryForm : public QDialog {
  Q_OBJECT
 public:
  TSummaryForm(QWidget* owner, TSharedData* sharedData);
  ~TSummaryForm() override;

  bool Busy() const { return FReader.joinable() && !FDone; }
  const TSummary& Summary() const { return FSummary; }
  // The chart of tab `index`, or null while reading.
  QChart* Chart(int index) const;

  // The shown chart as a picture on the clipboard.
  void CopyChart();
  // The shown chart to `path`: SVG when the name ends in ".svg", PNG otherwise. False, after
  // a message box, when it cannot be written.
  bool SaveChart(const QString& path);

  QLabel* StatusLabel;
  QProgressBar* BusyBar;
  QTabWidget* ChartTabs;
  QPushButton* CopyButton;
  QPushButton* SavePngButton;
  QPushButton* SaveSvgButton;
  QPushButton* CloseButton;

 signals:
  // The summary is shown (or its failure reported).
  void Ready();

 private:
  void Read(std::string path, std::string password, std::string sourcePassword);
  void Show(const TSummary& summary, const std::string& failure);
  void AskAndSave(const char* extension);
  QWidget* ShownChartView() const;

  TSharedData* FSharedData;
  int FCodePage = 0;
  TSummary FSummary;
  std::thread FReader;
  std::atomic<bool> FStop{false};
  bool FDone = false;
};

}  // namespace lw
