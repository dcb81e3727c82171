#include "Session.h"

#include <algorithm>
#include <atomic>

#include "Database.h"
#include "DatabaseError.h"
#include "NameCompare.h"
#include "Table.h"

namespace lw {

namespace {

// Sessions are found by name from any thread (each worker owns one).
std::mutex& RegistryLock() {
  static std::mutex m;
  return m;
}
std::vector<TSession*>& Registry() {
  static std::vector<TSession*> r;
  return r;
}

}  // namespace

TSession::TSession() {
  std::lock_guard<std::mutex> g(RegistryLock());
  Registry().push_back(this);
}

TSession::~TSession() {
  Close();
  FOwnedTables.clear();
  FOwnedDatabases.clear();
  std::lock_guard<std::mutex> g(RegistryLock());
  auto& r = Registry();
  r.erase(std::remove(r.begin(), r.end(), this), r.end());
}

TSession& TSession::Default() {
  static TSession* session = [] {
    auto* s = new TSession();  // never destroyed: tables may outlive static destruction order
    s->SetSessionName("Default");
    return s;
  }();
  return *session;
}

TSession* TSession::Find(const std::string& name) {
  if (name.empty()) return &Default();
  std::lock_guard<std::mutex> g(RegistryLock());
  for (TSession* s : Registry())
    if (SameName(s->FSessionName, name)) return s;
  return nullptr;
}

void TSession::SetSessionName(const std::string& name) {
  if (FActive) throw EDatabaseError("Cannot rename an active session");
  std::lock_guard<std::mutex> g(RegistryLock());
  for (TSession* s : Registry())
    if (s != this && !name.empty() && SameName(s->FSessionName, name))
      throw EDatabaseError("Duplicate session name '" + name + "'");
  FSessionName = name;
}

void TSession::SetAutoSessionName(bool value) {
  FAutoSessionName = value;
  if (value) {
    static std::atomic<int> counter{0};
    SetSessionName("Session_" + std::to_string(++counter));
  }
}

void TSession::Open() {
  FActive = true;
}

void TSession::Close() {
  std::vector<TTable*> tables;
  std::vector<TDatabase*> dbs;
  {
    std::lock_guard<std::mutex> g(FLock);
    tables = FTables;
    dbs = FDatabases;
  }
  for (TTable* t : tables) t->Close();
  for (TDatabase* d : dbs) d->Close();
  FActive = false;
}

void TSession::AddPassword(const std::string& password) {
  std::lock_guard<std::mutex> g(FLock);
  if (std::find(FPasswords.begin(), FPasswords.end(), password) == FPasswords.end())
    FPasswords.push_back(password);
}

void TSession::RemovePassword(const std::string& password) {
  std::lock_guard<std::mutex> g(FLock);
  FPasswords.erase(std::remove(FPasswords.begin(), FPasswords.end(), password), FPasswords.end());
}

void TSession::RemoveAllPasswords() {
  std::lock_guard<std::mutex> g(FLock);
  FPasswords.clear();
}

std::vector<std::string> TSession::Passwords() const {
  std::lock_guard<std::mutex> g(FLock);
  return FPasswords;
}

TDatabase* TSession::CreateDatabase() {
  auto db = std::make_unique<TDatabase>();
  db->SetSessionName(FSessionName);
  FOwnedDatabases.push_back(std::move(db));
  return FOwnedDatabases.back().get();
}

TTable* TSession::CreateTable() {
  auto t = std::make_unique<TTable>();
  t->SetSessionName(FSessionName);
  FOwnedTables.push_back(std::move(t));
  return FOwnedTables.back().get();
}

void TSession::Attach(TTable* table) {
  std::lock_guard<std::mutex> g(FLock);
  if (std::find(FTables.begin(), FTables.end(), table) == FTables.end()) FTables.push_back(table);
}

void TSession::Detach(TTable* table) {
  std::lock_guard<std::mutex> g(FLock);
  FTables.erase(std::remove(FTables.begin(), FTables.end(), table), FTables.end());
}

void TSession::Attach(TDatabase* db) {
  std::lock_guard<std::mutex> g(FLock);
  if (std::find(FDatabases.begin(), FDatabases.end(), db) == FDatabases.end())
    FDatabases.push_back(db);
}

void TSession::Detach(TDatabase* db) {
  std::lock_guard<std::mutex> g(FLock);
  FDatabases.erase(std::remove(FDatabases.begin(), FDatabases.end(), db), FDatabases.end());
}

TDatabase* TSession::FindDatabase(const std::string& name) const {
  std::lock_guard<std::mutex> g(FLock);
  for (TDatabase* d : FDatabases)
    if (SameName(d->DatabaseName(), name)) return d;
  return nullptr;
}

}  // namespace lw
