#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ExportTypes.h"

namespace lw {

class TTable;

// Writes the records of a table (all of them, in its current order) to a CSV file, a dBase
// table or a Paradox table. Only checked rows are written, in the list's order.
//
// The engine has no widgets: it reports through TExportCallbacks, so the window, the
// command-line tool and the tests run the same code. It moves the source table's cursor,
// and leaves it where the run ended.
class TExportEngine {
 public:
  explicit TExportEngine(TTable& source);
  TExportEngine(const TExportEngine&) = delete;
  TExportEngine& operator=(const TExportEngine&) = delete;

  TTable& Source() const { return FSource; }
  const std::vector<TExportRow>& Rows() const { return FRows; }
  void SetRows(std::vector<TExportRow> rows) { FRows = std::move(rows); }
  // Every field of the source table, checked, in the table's field order.
  void SetAllRows();
  TExportFormat Format() const { return FFormat; }
  void SetFormat(TExportFormat format) { FFormat = format; }
  // The file to write, used exactly as given: no extension is added or checked.
  const std::string& OutputName() const { return FOutputName; }
  void SetOutputName(std::string name) { FOutputName = std::move(name); }
  TExportCallbacks& Callbacks() { return FCallbacks; }
  // CSV only: write to this open descriptor (standard output) instead of creating the file;
  // the output name then only names it in messages. -1: the file.
  int OutputStream() const { return FOutputStream; }
  void SetOutputStream(int fd) { FOutputStream = fd; }
  // CSV only: text values converted from the source table's code page to UTF-8. Off by
  // default: the stored bytes are what the programs that read these files expect.
  bool Utf8Text() const { return FUtf8Text; }
  void SetUtf8Text(bool value) { FUtf8Text = value; }
  // Whether missing directories of the output name are created (the window's way) or the
  // export fails naming the first one (a command-line tool's way, unless asked).
  bool CreateDirectories() const { return FCreateDirectories; }
  void SetCreateDirectories(bool value) { FCreateDirectories = value; }

  // Runs one export from start to end; returns when it has finished, failed or been aborted.
  TExportResult Execute();
  // Asks the running export to stop before its next record.
  void Abort() { FAbort = true; }
  bool AbortRequested() const { return FAbort; }
  bool IsRunning() const { return FRunning; }
  int Position() const { return FPosition; }
  int Written() const { return FWritten; }

  // --- used by the writers ---
  // Start of each record: lets UI events run, moves the bar to the share of records done, and
  // returns false when Abort was asked for (the record is then not written).
  bool ProgressStep();
  // A record is in the output.
  void RecordWritten();
  // The table refused a record; the run goes on and the end reports how many.
  void RecordNotWritten(const std::string& reason);
  // A value was cut to fit its cell; the end reports how many.
  void ValueCut() { ++FCut; }

 private:
  void ShowMessage(const std::string& message);
  void SetPosition(int position);
  int ShareDone() const;
  std::string ReasonNotToStart() const;
  void PrepareOutput();
  void Finish(TExportResult& result);
  void RunWriter();

  TTable& FSource;
  std::vector<TExportRow> FRows;
  TExportFormat FFormat = efCsv;
  std::string FOutputName;
  TExportCallbacks FCallbacks;
  int FOutputStream = -1;
  bool FUtf8Text = false;
  bool FCreateDirectories = true;

  bool FAbort = false;
  bool FRunning = false;
  int FPosition = 0;
  int32_t FVisited = 0;
  int32_t FDone = 0;  // records dealt with (written or refused)
  int32_t FWritten = 0;
  int32_t FNotWritten = 0;
  int32_t FCut = 0;
  int64_t FRecordCount = 0;
  std::string FFirstNotWrittenReason;
  std::string FLastMessage;
};

}  // namespace lw
