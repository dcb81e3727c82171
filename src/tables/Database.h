#pragma once

#include <string>

namespace lw {

class TSession;

// A database connection: here simply a directory that tables are found in.
class TDatabase {
 public:
  TDatabase();
  ~TDatabase();
  TDatabase(const TDatabase&) = delete;
  TDatabase& operator=(const TDatabase&) = delete;

  const std::string& DatabaseName() const { return FDatabaseName; }
  void SetDatabaseName(const std::string& name);  // a directory; only while closed
  const std::string& SessionName() const { return FSessionName; }
  void SetSessionName(const std::string& name);

  // Open checks that the directory exists (throws EDatabaseError otherwise).
  void Open();
  void Close();
  bool Connected() const { return FConnected; }
  void SetConnected(bool value) { value ? Open() : Close(); }

  TSession* Session() const;  // the session named by SessionName (default when empty)

 private:
  std::string FDatabaseName;
  std::string FSessionName;
  TSession* FAttached = nullptr;
  bool FConnected = false;
};

}  // namespace lw
