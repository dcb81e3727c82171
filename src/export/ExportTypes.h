#pragma once

#include <functional>
#include <string>
#include <vector>

namespace lw {

// Item indexes of the window's format list.
enum TExportFormat : int { efCsv = 0, efDbase = 1, efParadox = 2, efXlsx = 3 };

// One row of the window's field list: a field of the result table, checked or not. The row's
// position in the whole list (unchecked rows included) feeds the dBase field-name rule.
struct TExportRow {
  std::string Name;
  bool Checked = true;
};

// How an export talks to whoever runs it. Every member may be left empty; a run without
// callbacks writes the file and reports nothing (questions then count as "No").
struct TExportCallbacks {
  // An error or notice for the user (the window shows a stop box captioned with the title).
  std::function<void(const std::string& message)> ShowMessage;
  // A Yes/No question with No as the default; true means Yes.
  std::function<bool(const std::string& question)> AskYesNo;
  // Called with true when the run starts (the window disables Export, enables Abort) and
  // with false at its common end.
  std::function<void(bool running)> Running;
  // The progress bar's position, 0 to 100, whenever it changes.
  std::function<void(int position)> Progress;
  // After each written record: bar position and written count (see ExportProgressText).
  std::function<void(int position, int written)> RecordWritten;
  // Let pending UI events run; called once per record, which is where Abort arrives.
  std::function<void()> ProcessEvents;
};

// How a run ended.
enum class TExportOutcome {
  Refused,    // nothing was done: no name, no fields, or the overwrite question was answered No
  Completed,  // every record visited; see NotWritten for records the table refused
  Aborted,    // stopped by Abort; the records written so far stay in the file
  Failed,     // an error ended the run; the part written so far stays in the file
};

struct TExportResult {
  TExportOutcome Outcome = TExportOutcome::Refused;
  int Written = 0;      // records written
  int NotWritten = 0;   // records whose Post failed (table formats)
  int Cut = 0;          // values cut to fit a cell (workbooks)
  std::string Message;  // the message shown last, if any
};

// "  [42 %]   1234 exported."
std::string ExportProgressText(int position, int written);

// Texts the user sees.
inline constexpr const char* kInvalidFileName = "Invalid File Name.";
inline constexpr const char* kOverwriteQuestion = "File already exists. Overwrite ?";
inline constexpr const char* kNoFieldsSelected = "No fields selected.";
inline constexpr const char* kUnknownError = "Unknown Error.";

}  // namespace lw
