// Where the data are: the distribution medium, the local result table and its recreation.
#include <stdexcept>
#include <vector>

#include "Database.h"
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

void TSharedData::InitLocalTables() {
  try {
    if (!FSession || !FDatabase || !FResultTable)
      throw std::runtime_error("The local tables have not been set up.");
    if (!FSession->Active()) FSession->Open();
    if (!FDatabase->Connected()) FDatabase->Open();
    FSession->AddPassword(DataPassword());
    FResultTable->Open();
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
    table->CreateTable();
    table->Open();
    const std::string pw = password.empty() ? DataPassword() : password;
    table->Close();
    // A refused protection is reported: the table would otherwise be left open to anyone
    // while the program believes it protected.
    table->SetMasterPassword(pw);
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
