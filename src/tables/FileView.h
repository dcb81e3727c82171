#pragma once

// A read-only mapping of a file from its first byte, for scans of tables opened read-only:
// records are read where the page cache holds them instead of being copied out block by
// block.
//
// Only bytes below Size() may be touched, and Size() never exceeds the file's size when the
// view was (re)made; a file that grew is covered by calling Cover again, and anything beyond
// the view is for the caller to read another way. A page that cannot be read (a damaged
// disc, a file another program shrank under the mapping) would raise SIGBUS and end the
// process; instead a process-wide handler puts a page of zeros in its place and marks the
// view damaged. The reader asks Readable (or Damaged, after copying bytes out) before it
// trusts what it read, and fails the way a failed read of the file would.

#include <cstddef>
#include <cstdint>

namespace lw {

struct TViewSlot;  // the view's entry in the table the SIGBUS handler searches

class TFileView {
 public:
  TFileView() = default;
  ~TFileView() { Unmap(); }
  TFileView(const TFileView&) = delete;
  TFileView& operator=(const TFileView&) = delete;

  // Maps the first `size` bytes of `fd` unless the view already covers them; true when the
  // view moved (pointers into the old one are gone). A failure (a file system that cannot
  // map, no address space left, too many views at once) leaves the old view: every read then
  // goes the other way, which is slower, never wrong. A damaged view stays damaged.
  bool Cover(int fd, uint64_t size);
  void Unmap();
  // The bytes [offset, offset + len), or null when the view does not hold all of them.
  const uint8_t* At(uint64_t offset, size_t len) const {
    return offset <= FSize && len <= FSize - offset ? FData + offset : nullptr;
  }
  uint64_t Size() const { return FSize; }

  // True once a page of the view could not be read: bytes read from it since may be zeros.
  bool Damaged() const;
  // Reads every page of [p, p + len) (from At) now, so that what cannot be read is known
  // before any of it is used; false when the view is damaged or the file no longer holds
  // all of the range.
  bool Readable(const uint8_t* p, size_t len) const;

 private:
  const uint8_t* FData = nullptr;
  uint64_t FSize = 0;
  TViewSlot* FSlot = nullptr;
  int FFd = -1;  // the mapped file (the caller's descriptor)
};

}  // namespace lw
