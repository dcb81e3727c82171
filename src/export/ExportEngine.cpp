#include "ExportEngine.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "CsvExport.h"
#include "ExportFieldNames.h"
#include "Table.h"
#include "TableExport.h"
#include "XlsxExport.h"

namespace lw {

namespace fs = std::filesystem;

std::string ExportProgressText(int position, int written) {
  return "  [" + std::to_string(position) + " %]   " + std::to_string(written) + " exported.";
}

TExportEngine::TExportEngine(TTable& source) : FSource(source) {}

void TExportEngine::SetAllRows() {
  FRows.clear();
  for (int i = 0; i < FSource.FieldCount(); ++i)
    FRows.push_back({FSource.Fields(i).FieldName(), true});
}

void TExportEngine::ShowMessage(const std::string& message) {
  FLastMessage = message;
  if (FCallbacks.ShowMessage) FCallbacks.ShowMessage(message);
}

void TExportEngine::SetPosition(int position) {
  if (position == FPosition) return;
  FPosition = position;
  if (FCallbacks.Progress) FCallbacks.Progress(position);
}

int TExportEngine::ShareDone() const {
  // In 64 bits: a count times 100 passes 32 bits from about 21 million records on.
  if (FRecordCount <= 0) return 0;
  return static_cast<int>(std::min<int64_t>(int64_t{FDone} * 100 / FRecordCount, 100));
}

bool TExportEngine::ProgressStep() {
  if (FCallbacks.ProcessEvents) FCallbacks.ProcessEvents();
  // The record before this one is done with, written or refused.
  FDone = FVisited++;
  SetPosition(ShareDone());
  return !FAbort;
}

void TExportEngine::RecordWritten() {
  ++FWritten;
  FDone = FVisited;
  SetPosition(ShareDone());
  if (FCallbacks.RecordWritten) FCallbacks.RecordWritten(FPosition, FWritten);
}

void TExportEngine::RecordNotWritten(const std::string& reason) {
  if (FNotWritten++ == 0) FFirstNotWrittenReason = reason.empty() ? kUnknownError : reason;
}

// Makes room for the output: its directory with every missing parent (unless told not to),
// no old file.
void TExportEngine::PrepareOutput() {
  const fs::path out(FOutputName);
  std::error_code ec;
  if (out.has_parent_path() && FCreateDirectories) {
    fs::create_directories(out.parent_path(), ec);
    if (ec)
      throw std::runtime_error("Cannot create the directory " + out.parent_path().string() + ": " +
                               ec.message());
  } else if (out.has_parent_path() && !fs::is_directory(out.parent_path(), ec)) {
    throw std::runtime_error("No such directory: " + out.parent_path().string());
  }
  if (fs::exists(fs::symlink_status(out, ec))) {
    fs::remove(out, ec);
    if (ec) throw std::runtime_error("Cannot delete " + FOutputName + ": " + ec.message());
  }
}

void TExportEngine::RunWriter() {
  switch (FFormat) {
    case efCsv:
      WriteCsvExport(*this);
      break;
    case efDbase:
    case efParadox:
      WriteTableExport(*this);
      break;
    case efXlsx:
      WriteXlsxExport(*this);
      break;
    default:
      throw std::runtime_error("Unknown export format " +
                               std::to_string(static_cast<int>(FFormat)));
  }
}

// Why the export cannot start, checked before anything is touched (so that a file the user
// agreed to replace is not deleted for an export that cannot run); "" when it can.
std::string TExportEngine::ReasonNotToStart() const {
  // The name box holds the list's mask ("*.csv") after a change of folder or file type; a
  // wildcard is no name to create a file under.
  const std::string baseName = FOutputName.substr(FOutputName.find_last_of('/') + 1);
  if (FOutputName.empty() || baseName.find_first_of("*?") != std::string::npos)
    return kInvalidFileName;
  bool anyChecked = false;
  for (const TExportRow& row : FRows) anyChecked = anyChecked || row.Checked;
  if (!anyChecked) return kNoFieldsSelected;
  try {
    for (const TExportRow& row : FRows)
      if (row.Checked) FSource.FieldByName(row.Name);
    if (FFormat == efDbase || FFormat == efParadox) ExportFieldNames(FRows, FFormat);
  } catch (const std::exception& e) {
    return *e.what() ? e.what() : kUnknownError;
  }
  if (FOutputStream >= 0 && FFormat != efCsv)
    return "Only CSV can be written to " + FOutputName + ".";
  if (FFormat == efXlsx && FSource.RecordCount() > kXlsxMaxRecords) {
    // A cut-off list would pass for the whole one.
    return "A workbook sheet holds at most " + std::to_string(kXlsxMaxRecords) +
           " records below its header row; there are " + std::to_string(FSource.RecordCount()) +
           ". Narrow the search or export to CSV.";
  }
  return {};
}

TExportResult TExportEngine::Execute() {
  TExportResult result;
  if (FRunning) return result;
  FLastMessage.clear();
  if (const std::string reason = ReasonNotToStart(); !reason.empty()) {
    ShowMessage(reason);
    result.Message = FLastMessage;
    return result;
  }
  std::error_code ec;
  const fs::file_status status =
      FOutputStream >= 0 ? fs::file_status(fs::file_type::not_found) : fs::status(FOutputName, ec);
  if (fs::is_directory(status)) {
    // Deleting it to make room would take the user's files with it.
    ShowMessage("Cannot export to " + FOutputName + ": it is a directory.");
    result.Message = FLastMessage;
    return result;
  }
  if (fs::exists(status)) {
    if (!FCallbacks.AskYesNo || !FCallbacks.AskYesNo(kOverwriteQuestion)) return result;
  }

  FRunning = true;
  if (FCallbacks.Running) FCallbacks.Running(true);
  FPosition = -1;
  SetPosition(0);
  FWritten = 0;
  FVisited = 0;
  FDone = 0;
  FNotWritten = 0;
  FCut = 0;
  FFirstNotWrittenReason.clear();
  FAbort = false;
  FRecordCount = FSource.RecordCount();

  result.Outcome = TExportOutcome::Completed;
  try {
    if (FOutputStream < 0) PrepareOutput();
    RunWriter();
    if (FAbort) result.Outcome = TExportOutcome::Aborted;
  } catch (const std::exception& e) {
    result.Outcome = TExportOutcome::Failed;
    ShowMessage(*e.what() ? e.what() : kUnknownError);
  } catch (...) {
    result.Outcome = TExportOutcome::Failed;
    ShowMessage(kUnknownError);
  }
  Finish(result);
  return result;
}

// The common end, whatever happened in the run.
void TExportEngine::Finish(TExportResult& result) {
  if (FNotWritten > 0) {
    ShowMessage(FNotWritten == 1 ? "1 record was not written: " + FFirstNotWrittenReason
                                 : std::to_string(FNotWritten) +
                                       " records were not written; the first failed with: " +
                                       FFirstNotWrittenReason);
  }
  if (FCut > 0)
    ShowMessage(std::to_string(FCut) + (FCut == 1 ? " value was" : " values were") +
                " longer than a cell holds and cut to " + std::to_string(kXlsxMaxCellText) +
                " characters.");
  // The bar is left showing how far the run got: full after a whole export.
  if (FAbort || result.Outcome == TExportOutcome::Failed)
    SetPosition(ShareDone());
  else
    SetPosition(FRecordCount > 0 ? 100 : 0);
  FRunning = false;
  if (FCallbacks.Running) FCallbacks.Running(false);
  result.Written = FWritten;
  result.NotWritten = FNotWritten;
  result.Cut = FCut;
  result.Message = FLastMessage;
}

}  // namespace lw
