#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace lw {

class TDatabase;
class TTable;

// A private group of databases and tables with its own passwords. Tables name their session
// by SessionName; an empty SessionName means the process's default session.
//
// Threads: a session is used by one thread at a time, like the tables in it (each search
// worker owns a session of its own; OpenPrivateSession makes one). Two things are safe from
// any thread: Find (the registry of names is guarded by a lock of its own, and so is
// SetSessionName against it), and the members that FLock guards - the password list and the
// lists of attached tables and databases - so that a table opening on one thread reads the
// passwords while another registers them. Naming, Open/Close and the Create functions are
// not guarded: call them on the owning thread, before the session is handed to another.
class TSession {
 public:
  TSession();
  ~TSession();  // closes and frees the objects it owns
  TSession(const TSession&) = delete;
  TSession& operator=(const TSession&) = delete;

  static TSession& Default();
  // The session registered under `name` (without regard to case), or nullptr.
  static TSession* Find(const std::string& name);

  const std::string& SessionName() const { return FSessionName; }
  void SetSessionName(const std::string& name);
  bool AutoSessionName() const { return FAutoSessionName; }
  void SetAutoSessionName(bool value);  // true gives the session a unique generated name

  bool Active() const { return FActive; }
  void Open();
  void Close();  // closes every table and database of this session

  void AddPassword(const std::string& password);
  void RemovePassword(const std::string& password);
  void RemoveAllPasswords();
  std::vector<std::string> Passwords() const;

  // Objects owned by the session (freed with it), already bound to it by name.
  TDatabase* CreateDatabase();
  TTable* CreateTable();

  // Bookkeeping used by TTable and TDatabase.
  void Attach(TTable* table);
  void Detach(TTable* table);
  void Attach(TDatabase* db);
  void Detach(TDatabase* db);
  // A database of this session named `name` (DatabaseName, without regard to case).
  TDatabase* FindDatabase(const std::string& name) const;

 private:
  std::string FSessionName;
  bool FAutoSessionName = false;
  bool FActive = false;
  mutable std::mutex FLock;             // guards the three lists below
  std::vector<std::string> FPasswords;  // guarded by FLock
  std::vector<TTable*> FTables;         // guarded by FLock
  std::vector<TDatabase*> FDatabases;   // guarded by FLock
  std::vector<std::unique_ptr<TDatabase>> FOwnedDatabases;
  std::vector<std::unique_ptr<TTable>> FOwnedTables;
};

}  // namespace lw
