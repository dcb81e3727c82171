#pragma once

// A read-only mapping of a file from its first byte, for scans of tables opened read-only:
// records are read where the page cache holds them instead of being copied out block by
// block.
//
// Only bytes below Size() may be touched, and Size() never exceeds the file's size when the
// view was (re)made; a file that grew is covered by calling Cover again, and anything beyond
// the view is for the caller to read another way. A file shrunk under a mapping raises
// SIGBUS where the missing pages are touched: a view is only for files this process holds
// open under a shared lock, which every writer of tables in this program respects (none of
// them shrinks a table it does not hold exclusively).

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>

namespace lw {

class TFileView {
 public:
  TFileView() = default;
  ~TFileView() { Unmap(); }
  TFileView(const TFileView&) = delete;
  TFileView& operator=(const TFileView&) = delete;

  // Maps the first `size` bytes of `fd` unless the view already covers them; true when the
  // view moved (pointers into the old one are gone). A failure (a file system that cannot
  // map, no address space left) leaves the old view: every read then goes the other way,
  // which is slower, never wrong.
  bool Cover(int fd, uint64_t size) {
    if (size <= FSize || size == 0) return false;
    void* p = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) return false;
    // The scan reads the file front to back: read ahead of it.
    ::madvise(p, size, MADV_SEQUENTIAL);
    Unmap();
    FData = static_cast<const uint8_t*>(p);
    FSize = size;
    return true;
  }
  void Unmap() {
    if (FData) ::munmap(const_cast<uint8_t*>(FData), FSize);
    FData = nullptr;
    FSize = 0;
  }
  // The bytes [offset, offset + len), or null when the view does not hold all of them.
  const uint8_t* At(uint64_t offset, size_t len) const {
    return offset <= FSize && len <= FSize - offset ? FData + offset : nullptr;
  }
  uint64_t Size() const { return FSize; }

 private:
  const uint8_t* FData = nullptr;
  uint64_t FSize = 0;
};

}  // namespace lw
