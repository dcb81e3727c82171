#pragma once

// What the window tests share: a program directory with generated sample data, a recorder
// for message boxes, an independent reader of tables, and waiting with the event loop.

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DataPassword.h"
#include "MessageBoxes.h"
#include "SampleWriter.h"
#include "Session.h"
#include "SharedData.h"
#include "Table.h"
#include "TempDir.h"
#include "strutil/Volumes.h"

namespace lw::test {

// A program directory as the sample generator lays it out: sample/sample.db, data/swap.db,
// setup.ini and lwconfig.ini (with its "Grid View" and "Record View" sections).
class TProgramHome {
 public:
  explicit TProgramHome(int64_t records = 1500, uint64_t seed = 20260101) {
    lw::gen::WriteProgramFiles(FDir.Path(), records, seed);
  }
  std::string Path() const { return FDir.Path() + "/"; }
  std::string File(const std::string& name) const { return FDir.File(name); }
  std::string ConfigFile() const { return FDir.File("lwconfig.ini"); }
  std::string SampleTable() const { return FDir.File("sample/sample.db"); }
  std::string ResultTable() const { return FDir.File("data/swap.db"); }

 private:
  TTempDir FDir;
};

// Start-up options for a program run from `home`, with no distribution medium anywhere.
inline TSharedDataOptions OptionsFor(const std::string& programDir) {
  TSharedDataOptions o;
  o.ProgramDir = programDir;
  o.Volumes = std::make_shared<TFixedVolumeSource>();
  return o;
}
inline TSharedDataOptions OptionsFor(const TProgramHome& home) {
  return OptionsFor(home.Path());
}

// Takes every message box the program would show; questions are answered No.
class TMessageLog {
 public:
  TMessageLog() {
    FPrevious = TMessageBoxes::SetHandler([this](const TMessage& m) {
      FMessages.push_back(m);
      if (FOnMessage) FOnMessage(m);
      return false;
    });
  }
  ~TMessageLog() { TMessageBoxes::SetHandler(std::move(FPrevious)); }
  TMessageLog(const TMessageLog&) = delete;
  TMessageLog& operator=(const TMessageLog&) = delete;

  const std::vector<TMessage>& Messages() const { return FMessages; }
  std::vector<TMessage> OfKind(TMessageKind kind) const {
    std::vector<TMessage> out;
    for (const TMessage& m : FMessages)
      if (m.Kind == kind) out.push_back(m);
    return out;
  }
  void Clear() { FMessages.clear(); }
  void OnMessage(std::function<void(const TMessage&)> f) { FOnMessage = std::move(f); }

 private:
  std::vector<TMessage> FMessages;
  std::function<void(const TMessage&)> FOnMessage;
  TMessageHandler FPrevious;
};

// Runs the event loop until `done` holds or the time is up; true when it held.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeoutMs) return false;
    QEventLoop loop;
    QTimer::singleShot(5, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}

inline void Pump(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// A table opened in a session of its own, with the table password registered: reads what is
// on disk, independently of the program's objects.
class TOwnTable {
 public:
  explicit TOwnTable(const std::string& path, bool writable = false) {
    FSession.SetAutoSessionName(true);
    FSession.Open();
    FSession.AddPassword(kDataPasswordText);
    FTable = FSession.CreateTable();
    FTable->SetSessionName(FSession.SessionName());
    FTable->SetTableName(path);
    FTable->SetReadOnly(!writable);
    FTable->Open();
  }
  TTable& operator*() { return *FTable; }
  TTable* operator->() { return FTable; }

  // Records whose field `name`, trimmed, passes `test`.
  int Count(const std::string& name, const std::function<bool(const std::string&)>& test) {
    const int index = FTable->FieldByName(name).Index();
    int n = 0;
    for (FTable->First(); !FTable->Eof(); FTable->Next()) {
      std::string v(FTable->FieldText(index));
      while (!v.empty() && static_cast<unsigned char>(v.back()) <= ' ') v.pop_back();
      while (!v.empty() && static_cast<unsigned char>(v.front()) <= ' ') v.erase(0, 1);
      if (test(v)) ++n;
    }
    return n;
  }

 private:
  TSession FSession;
  TTable* FTable = nullptr;
};

}  // namespace lw::test
