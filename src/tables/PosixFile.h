#pragma once

#include <cstdint>
#include <string>

namespace lw {

// An open file descriptor with positional I/O that throws EDatabaseError naming the file,
// and the advisory locks that keep tables consistent between openers.
//
// Locks are Linux open-file-description locks: they belong to this descriptor, so two
// tables open on the same file in one process lock against each other exactly as two
// processes do, and closing one descriptor never drops another's lock.
class TPosixFile {
 public:
  enum class Mode { Read, ReadWrite, Create };  // Create truncates or makes the file

  TPosixFile() = default;
  TPosixFile(const std::string& path, Mode mode);
  ~TPosixFile();
  TPosixFile(TPosixFile&& other) noexcept;
  TPosixFile& operator=(TPosixFile&& other) noexcept;
  TPosixFile(const TPosixFile&) = delete;
  TPosixFile& operator=(const TPosixFile&) = delete;

  bool IsOpen() const { return FFd >= 0; }
  int Fd() const { return FFd; }
  const std::string& Path() const { return FPath; }
  void Close();

  uint64_t Size() const;
  // Reads exactly `len` bytes at `offset`; throws when the file is shorter ("truncated").
  void ReadAt(uint64_t offset, void* buf, size_t len) const;
  // Reads up to `len` bytes; returns how many were there.
  size_t ReadSome(uint64_t offset, void* buf, size_t len) const;
  void WriteAt(uint64_t offset, const void* buf, size_t len);
  void Truncate(uint64_t size);
  void Sync();  // fdatasync

  // Opening locks: shared for normal opening, exclusive for Exclusive tables. Both fail at
  // once (throw with a clear message) when the other kind is held by someone else.
  void LockShared();
  void LockExclusive();
  // Serialises writers while one record is stored; waits for other writers.
  void BeginWrite();
  void EndWrite();

 private:
  int FFd = -1;
  std::string FPath;
};

// RAII for BeginWrite/EndWrite.
class TWriteGuard {
 public:
  explicit TWriteGuard(TPosixFile& f) : FFile(f) { FFile.BeginWrite(); }
  ~TWriteGuard() { FFile.EndWrite(); }
  TWriteGuard(const TWriteGuard&) = delete;
  TWriteGuard& operator=(const TWriteGuard&) = delete;

 private:
  TPosixFile& FFile;
};

}  // namespace lw
