// Where the data are: the distribution medium, the local result table and its recreation.
#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "Database.h"
#include "DatabaseError.h"
#include "ResultFields.h"
#include "Session.h"
#include "SharedData.h"
#include "Table.h"
#include "VolumeMarkers.h"
#include "strutil/Drives.h"
#include "strutil/FileUtil.h"
#include "strutil/StrUtil.h"

namespace lw {

bool HasVolumeMarker(const std::string& upperLabel) {
  return upperLabel == "TALVERN" || upperLabel.find("QUORAHTALVERNWYST") != std::string::npos ||
         upperLabel.find("QUORAHFENMOTWYST") != std::string::npos;
}

std::string TSharedData::FindSourceDir(const std::string& fileName) {
  std::string candidate;
  try {
    std::vector<std::string> drives;
    GetDrivesList(drives, *FVolumes);
    for (const std::string& line : drives) {
      if (!HasVolumeMarker(Str_Upper(Str_Extract(line, 3, ";")))) continue;
      // The drive type (field 2) plays no part: any marked volume holding the file will do.
      candidate = IncludeTrailingSlash(Str_Extract(line, 1, ";"));
      if (FileExists(candidate + fileName)) break;
      candidate.clear();
    }
  } catch (...) {
    // A failing scan ends the search; the candidate found so far is still checked below.
  }
  return !candidate.empty() && FileExists(candidate + fileName) ? candidate : std::string();
}

std::vector<TFieldDef> TSharedData::SourceFields() {
  if (!SourcePassword().empty()) FSession->AddPassword(SourcePassword());
  TTable source;
  source.SetSessionName(FSession->SessionName());
  source.SetTableName(FSourceDir + FSourceTableName);
  source.SetReadOnly(true);
  source.Open();
  source.FieldDefs().Update();
  std::vector<TFieldDef> fields = source.FieldDefs().Items();
  source.Close();
  return fields;
}

void TSharedData::RecreateResultTable(const std::vector<TFieldDef>& sourceFields) {
  FResultTable->FieldDefs().Items() = ResultFieldsFor(sourceFields);
  FResultTable->IndexDefs().Clear();
  FResultTable->IndexDefs().Add("", "Result", ixPrimary | ixUnique);
  FResultTable->RecreateEmpty(DataPassword());
}

// The result table only ever holds the last search's results, so one that no longer opens
// (a crash of some other writer, a damaged disk) is worth nothing; rebuilding it from the
// source table's fields keeps the program from failing at every start from then on.
void TSharedData::RebuildResultTable(const std::string& reason) {
  RecreateResultTable(SourceFields());
  FNotifier->ShowInfo(Title(), "The result table " + FResultTable->FullPath() +
                                   " could not be opened (" + reason +
                                   ") and has been recreated empty.");
}

bool TSharedData::SetSourceTable(const std::string& path, const std::string& password) {
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(path, ec);
  const std::string absolute = ec ? path : full.string();
  FSourceDir = ExtractFilePath(absolute);
  FSourceTableName = ExtractFileName(absolute);
  FOptions.SourceTable = absolute;
  FOptions.SourcePassword = password;
  if (!FResultTable || !FSession) return false;
  const std::vector<TFieldDef> fields = SourceFields();
  FResultTable->FieldDefs().Update();
  if (ResultFieldsFit(FResultTable->FieldDefs().Items(), ResultFieldsFor(fields))) return false;
  const bool wasActive = FResultTable->Active();
  FResultTable->Close();
  RecreateResultTable(fields);
  FResultTable->SetActive(wasActive);
  FResultTable->FieldDefs().Update();
  FResultTable->IndexDefs().Update();
  return true;
}

void TSharedData::InitLocalTables() {
  try {
    if (!FSession || !FDatabase || !FResultTable)
      throw std::runtime_error("The local tables have not been set up.");
    if (!FSession->Active()) FSession->Open();
    if (!FDatabase->Connected()) FDatabase->Open();
    FSession->AddPassword(DataPassword());
    try {
      FResultTable->Open();
    } catch (const EDatabaseError& e) {
      // A table someone else holds open is left alone: the rebuild refuses to replace it.
      const std::string reason = e.what();
      try {
        RebuildResultTable(reason);
      } catch (const std::exception& again) {
        throw std::runtime_error(reason + "; recreating it failed: " + again.what());
      }
      FResultTable->Open();
    }
    FResultTable->FieldDefs().Update();
    FResultTable->IndexDefs().Update();
  } catch (const std::exception& e) {
    AppendError("InitLocalTables: ", &e, "InitLocalTables: Unknown Error", "\r\n");
  } catch (...) {
    AppendError("InitLocalTables: ", nullptr, "InitLocalTables: Unknown Error", "\r\n");
  }
}

void TSharedData::RestructureTable(TTable* table, const std::string& password) {
  FErrorText.clear();
  if (!table) {
    FErrorText = "Restructure Table: No table given.";
    return;
  }
  const bool wasExclusive = table->Exclusive();
  const bool wasActive = table->Active();
  auto guarded = [this](auto&& step) {
    try {
      step();
    } catch (const std::exception& e) {
      AppendError("Restructure Table: ", &e, "Restructure Table: Unknown error.");
    } catch (...) {
      AppendError("Restructure Table: ", nullptr, "Restructure Table: Unknown error.");
    }
  };
  guarded([&] {
    table->Close();
    table->SetExclusive(true);
    const std::string pw = password.empty() ? DataPassword() : password;
    // Built beside the old table and renamed over it: a crash while emptying must never
    // leave a table that no longer opens.
    table->RecreateEmpty(pw);
    if (pw != DataPassword()) {
      TSession* session = FSession ? FSession.get() : table->Session();
      if (session) session->AddPassword(pw);
    }
  });
  // Put the table back as it was: after success it is closed here and reopens if it was
  // open; after a failure that left it open it stays open and exclusive.
  if (!table->Active()) {
    guarded([&] {
      table->SetExclusive(wasExclusive);
      table->SetActive(wasActive);
    });
  }
}

}  // namespace lw
