#pragma once

// The .mb file of a Paradox table: blobs too long for their record's leader.
//
// Layout: 4 KB units. Unit 0 is the header block; then blocks of type 2 (one blob over one or
// more units) and type 3 (one unit shared by up to 64 small blobs). Blocks are never chained;
// records point at them by file offset. Encrypted tables encrypt the whole file, 256 bytes at a
// time with the same parameters everywhere, so any aligned range decrypts on its own.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ParadoxMap.h"
#include "PosixFile.h"

namespace lw::paradox {

class TBlobFile {
 public:
  static constexpr uint32_t kUnit = 4096;

  TBlobFile(const std::string& path, bool writable, uint32_t key);
  // Writes a new, empty blob file (header block only), replacing any old one.
  static void Create(const std::string& path, uint32_t key);

  const std::string& Path() const { return FFile.Path(); }

  // The blob a record points at: `pointer` is the descriptor's offset-and-index word,
  // `length` its length. Graphic blobs lose the 8-byte sub-header Paradox puts before the
  // image. Throws EDatabaseError naming the file when the pointer leads nowhere sensible.
  std::string Read(uint32_t pointer, uint32_t length, bool graphic) const;

  // Stores a blob (for graphic fields the caller passes the image; the sub-header is added
  // here) and returns the pointer word for the record's descriptor.
  uint32_t Write(std::string_view data, bool graphic);

  // Forgets what this object remembers of the file (the shared block being filled, the last
  // shared block read): another writer may have changed it. The table calls this whenever it
  // finds that someone else wrote, and on every refresh.
  void DropCache();

 private:
  void ReadPlain(uint64_t offset, uint8_t* buf, size_t len) const;  // 256-aligned
  void WritePlain(uint64_t offset, uint8_t* buf, size_t len);       // encrypts buf in place
  uint64_t EndOffset() const;
  void ScanBlocks();
  uint32_t WriteSingle(std::string_view prefix, std::string_view data);
  uint32_t WriteSmall(std::string_view data);
  std::string ReadShared(uint64_t offset, uint32_t index, uint32_t length) const;
  void OpenShared(uint64_t offset, const uint8_t* plain);
  void StoreShared(size_t from, size_t to);

  TPosixFile FFile;
  uint32_t FKey;
  uint64_t FScanned = kUnit;  // blocks before this offset have been walked
  uint64_t FSharedBlock = 0;  // last type-3 block seen, 0 = none
  // The shared block small blobs go to, as this writer left it: its plain image and a mapping
  // through which only the bytes of a new blob and its entry are stored.
  std::vector<uint8_t> FSharedPlain;  // empty: not remembered
  // A window of the file from a shared block on, reaching past the end of the file, so that
  // the next shared blocks at the end need no mapping of their own.
  TMappedRange FSharedMap;
  uint8_t* FShared = nullptr;  // the shared block's bytes in the window
  // The last shared block read, decrypted: the blobs of neighbouring records share it.
  mutable std::vector<uint8_t> FReadBlock;
  mutable uint64_t FReadOffset = 0;
  // The file's size when it last had to be asked: blobs below it need no system call to be
  // known to be inside the file (one that shrank since reads as zeros, which no check passes).
  mutable uint64_t FKnownSize = 0;
  uint64_t SizeCovering(uint64_t end) const;
  void LoadReadBlock(uint64_t offset) const;
};

}  // namespace lw::paradox
