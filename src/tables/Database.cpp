#include "Database.h"

#include <sys/stat.h>

#include "DatabaseError.h"
#include "Session.h"

namespace lw {

TDatabase::TDatabase() = default;

TDatabase::~TDatabase() {
  Close();
}

void TDatabase::SetDatabaseName(const std::string& name) {
  if (FConnected) throw EDatabaseError("Cannot change the database name of a connected database");
  FDatabaseName = name;
}

void TDatabase::SetSessionName(const std::string& name) {
  if (FConnected) throw EDatabaseError("Cannot change the session of a connected database");
  FSessionName = name;
}

TSession* TDatabase::Session() const {
  return FSessionName.empty() ? &TSession::Default() : TSession::Find(FSessionName);
}

void TDatabase::Open() {
  if (FConnected) return;
  TSession* s = Session();
  if (!s) throw EDatabaseError("Session '" + FSessionName + "' not found");
  if (FDatabaseName.empty()) throw EDatabaseError("Database name is missing");
  struct stat st {};
  if (::stat(FDatabaseName.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
    ThrowTableError(FDatabaseName, "directory not found");
  if (!s->Active()) s->Open();
  s->Attach(this);
  FAttached = s;
  FConnected = true;
}

void TDatabase::Close() {
  if (!FConnected) return;
  if (FAttached) FAttached->Detach(this);
  FAttached = nullptr;
  FConnected = false;
}

}  // namespace lw
