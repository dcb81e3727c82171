#pragma once

// A shared, writable mapping of part of a table file. The writer stores records and counters
// through it: the stores land in the page cache exactly as pwrite would put them (visible to
// every reader at once, kept when the process dies), without a system call per record.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "DatabaseError.h"

namespace lw::paradox {

class TMappedRange {
 public:
  TMappedRange() = default;
  ~TMappedRange() { Unmap(); }
  TMappedRange(const TMappedRange&) = delete;
  TMappedRange& operator=(const TMappedRange&) = delete;

  // Maps bytes [offset, offset + len) of `fd`; Data() points at `offset`. Without `populate`
  // the range may reach past the end of the file (pages there must not be touched until
  // the file holds them).
  void Map(int fd, uint64_t offset, size_t len, const std::string& file, bool populate = true) {
    Unmap();
    static const uint64_t page = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
    const uint64_t start = offset / page * page;
    FLen = len + (offset - start);
    void* p = ::mmap(nullptr, FLen, PROT_READ | PROT_WRITE,
                     MAP_SHARED | (populate ? MAP_POPULATE : 0), fd, static_cast<off_t>(start));
    if (p == MAP_FAILED) {
      FLen = 0;
      ThrowTableError(file, "cannot map the file for writing");
    }
    // Pages of a window are touched one block at a time as the file grows: reading ahead
    // around each would cost more than the stores.
    if (!populate) ::madvise(p, FLen, MADV_RANDOM);
    FBase = static_cast<uint8_t*>(p);
    FData = FBase + (offset - start);
    FOffset = offset;
  }
  void Unmap() {
    if (FBase) ::munmap(FBase, FLen);
    FBase = FData = nullptr;
    FLen = 0;
  }
  bool Mapped() const { return FData != nullptr; }
  uint64_t Offset() const { return FOffset; }
  uint8_t* Data() const { return FData; }

 private:
  uint8_t* FBase = nullptr;
  uint8_t* FData = nullptr;
  size_t FLen = 0;
  uint64_t FOffset = 0;
};

}  // namespace lw::paradox
