#include "ParadoxBlobFile.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

#include "DatabaseError.h"
#include "ParadoxCrypt.h"
#include "ParadoxFormat.h"

namespace lw::paradox {

namespace {

constexpr uint8_t kTypeHeader = 0;
constexpr uint8_t kTypeSingle = 2;
constexpr uint8_t kTypeShared = 3;
constexpr uint8_t kTypeFree = 4;
constexpr uint32_t kSmallLimit = 2048;  // larger blobs get a block of their own
constexpr uint32_t kSingleHead = 9;
constexpr uint32_t kSharedHead = 12;
constexpr int kSharedEntries = 64;
constexpr int kFirstDataUnit = 0x15;  // 16-byte units; after the header and entry table
constexpr uint16_t kModNumber = 1;

constexpr uint64_t RoundUp(uint64_t v, uint64_t to) {
  return (v + to - 1) / to * to;
}

}  // namespace

TBlobFile::TBlobFile(const std::string& path, bool writable, uint32_t key)
    : FFile(path, writable ? TPosixFile::Mode::ReadWrite : TPosixFile::Mode::Read), FKey(key) {}

void TBlobFile::Create(const std::string& path, uint32_t key) {
  TPosixFile f(path, TPosixFile::Mode::Create);
  std::vector<uint8_t> head(kUnit, 0);
  // The values every Paradox engine writes into a fresh blob file header.
  head[0] = kTypeHeader;
  PutU16(&head[1], 1);
  PutU16(&head[3], 1);  // modification count
  const uint8_t fixed[] = {0x82, 0x73, 0x02, 0x00, 0x29};
  std::memcpy(&head[5], fixed, sizeof fixed);
  PutU16(&head[0x0B], 0x1000);
  PutU16(&head[0x0D], 0x1000);
  head[0x10] = 0x10;
  PutU16(&head[0x11], kSharedEntries);
  PutU16(&head[0x13], kSmallLimit);
  PutU16(&head[0x29], 0x02A1);
  if (key) EncryptBlobRange(head.data(), head.size(), key);
  f.WriteAt(0, head.data(), head.size());
}

void TBlobFile::ReadPlain(uint64_t offset, uint8_t* buf, size_t len) const {
  FFile.ReadAt(offset, buf, len);
  if (FKey) DecryptBlobRange(buf, len, FKey);
}

void TBlobFile::WritePlain(uint64_t offset, uint8_t* buf, size_t len) {
  if (FKey) EncryptBlobRange(buf, len, FKey);
  FFile.WriteAt(offset, buf, len);
}

uint64_t TBlobFile::SizeCovering(uint64_t end) const {
  if (FKnownSize < end) FKnownSize = FFile.Size();
  return FKnownSize;
}

void TBlobFile::LoadReadBlock(uint64_t offset) const {
  FReadBlock.assign(kUnit, 0);
  FReadOffset = offset;
  FFile.ReadSome(offset, FReadBlock.data(), FReadBlock.size());
  if (FKey) DecryptBlobRange(FReadBlock.data(), FReadBlock.size(), FKey);
}

// Entry `index` of the shared block at `offset`, from the block as last read when it holds that
// entry already (entries are only ever added), from the file otherwise.
std::string TBlobFile::ReadShared(uint64_t offset, uint32_t index, uint32_t length) const {
  const std::string& file = FFile.Path();
  for (int attempt = 0;; ++attempt) {
    if (attempt > 0 || FReadOffset != offset || FReadBlock.empty()) LoadReadBlock(offset);
    const uint8_t* e = &FReadBlock[kSharedHead + 5 * index];
    const uint32_t start = e[0] * 16u;
    const uint32_t stored = e[1] ? (e[1] - 1u) * 16u + e[4] : 0;
    if (FReadBlock[0] == kTypeShared && e[0] != 0 && e[4] != 0 && stored == length &&
        start + length <= kUnit)
      return std::string(reinterpret_cast<const char*>(FReadBlock.data()) + start, length);
    if (attempt > 0) {
      FReadBlock.clear();
      ThrowTableError(file, "damaged blob at offset " + std::to_string(offset) + " entry " +
                                std::to_string(index));
    }
  }
}

std::string TBlobFile::Read(uint32_t pointer, uint32_t length, bool graphic) const {
  const std::string& file = FFile.Path();
  const uint32_t index = pointer & 0xFF;
  const uint64_t offset = pointer & 0xFFFFFF00u;
  if (offset != 0 && offset == FReadOffset && !FReadBlock.empty() && index < kSharedEntries) {
    std::string out = ReadShared(offset, index, length);
    if (graphic && out.size() >= 8) out.erase(0, 8);
    return out;
  }
  if (offset == 0) ThrowTableError(file, "damaged blob pointer (offset 0)");
  if (offset % 256 != 0 || offset + kSharedHead > SizeCovering(offset + kSharedHead))
    ThrowTableError(
        file, "blob pointer past the end of the blob file (offset " + std::to_string(offset) + ")");
  // An entry of a shared block (the usual small blob) reads the whole unit at once, head and
  // all; other pointers read the head first.
  uint8_t ownHead[256] = {};
  const uint8_t* head = ownHead;
  if (index < kSharedEntries) {
    LoadReadBlock(offset);
    head = FReadBlock.data();
  } else {
    FFile.ReadSome(offset, ownHead, sizeof ownHead);
    if (FKey) DecryptBlobRange(ownHead, sizeof ownHead, FKey);
  }
  std::string out;
  if (head[0] == kTypeSingle) {
    const uint32_t stored = GetU32(head + 3);
    const uint64_t span = uint64_t{GetU16(head + 1)} * kUnit;
    if (index != 0xFF || stored != length || kSingleHead + uint64_t{length} > span ||
        offset + kSingleHead + length > SizeCovering(offset + kSingleHead + length))
      ThrowTableError(file, "damaged blob at offset " + std::to_string(offset));
    // Other writers end the file right after the last blob, without filling its unit.
    std::vector<uint8_t> buf(RoundUp(kSingleHead + uint64_t{length}, 256), 0);
    FFile.ReadSome(offset, buf.data(), buf.size());
    if (FKey) DecryptBlobRange(buf.data(), buf.size(), FKey);
    out.assign(reinterpret_cast<const char*>(buf.data()) + kSingleHead, length);
  } else if (head[0] == kTypeShared) {
    if (index >= kSharedEntries)
      ThrowTableError(file, "damaged blob pointer (index " + std::to_string(index) + ")");
    out = ReadShared(offset, index, length);
  } else {
    ThrowTableError(file, "blob pointer leads to a " +
                              std::string(head[0] == kTypeFree ? "free" : "non-blob") +
                              " block (offset " + std::to_string(offset) + ")");
  }
  if (graphic && out.size() >= 8) out.erase(0, 8);
  return out;
}

uint64_t TBlobFile::EndOffset() const {
  return RoundUp(std::max<uint64_t>(FFile.Size(), kUnit), kUnit);
}

// Walks the blocks appended since the last walk, remembering the last shared block: small
// blobs go there while it has room.
void TBlobFile::ScanBlocks() {
  const uint64_t size = FFile.Size();
  uint8_t head[256];
  while (FScanned + 256 <= size) {
    ReadPlain(FScanned, head, sizeof head);
    const uint16_t units = GetU16(head + 1);
    if (units == 0 || head[0] < kTypeSingle || head[0] > kTypeFree) {
      FSharedBlock = 0;  // unknown structure: only append from now on
      FScanned = RoundUp(size, kUnit);
      return;
    }
    if (head[0] == kTypeShared) FSharedBlock = FScanned;
    FScanned += uint64_t{units} * kUnit;
  }
}

uint32_t TBlobFile::WriteSingle(std::string_view prefix, std::string_view data) {
  const uint64_t total = prefix.size() + data.size();
  const uint64_t units = RoundUp(kSingleHead + total, kUnit) / kUnit;
  const uint64_t offset = EndOffset();
  if (units > 0xFFFF || offset + units * kUnit > 0xFFFFFF00u)
    ThrowTableError(FFile.Path(), "blob file is full");
  std::vector<uint8_t> buf(units * kUnit, 0);
  buf[0] = kTypeSingle;
  PutU16(&buf[1], static_cast<uint16_t>(units));
  PutU32(&buf[3], static_cast<uint32_t>(total));
  PutU16(&buf[7], kModNumber);
  if (!prefix.empty()) std::memcpy(&buf[kSingleHead], prefix.data(), prefix.size());
  std::memcpy(&buf[kSingleHead + prefix.size()], data.data(), data.size());
  WritePlain(offset, buf.data(), buf.size());
  return static_cast<uint32_t>(offset) | 0xFF;
}

void TBlobFile::DropCache() {
  FKnownSize = 0;
  FSharedPlain.clear();
  FSharedMap.Unmap();
  FReadBlock.clear();
  FReadOffset = 0;
}

// Remembers the shared block at `offset` (plain image given) and maps it for writing.
void TBlobFile::OpenShared(uint64_t offset, const uint8_t* plain) {
  // Mapped pages past the end of the file cannot be written: a file that ends inside the
  // block is completed first.
  if (FFile.Size() < offset + kUnit) FFile.Truncate(offset + kUnit);
  constexpr uint64_t kWindow = 1 << 20;
  if (!FSharedMap.Mapped() || offset < FSharedMap.Offset() ||
      offset + kUnit > FSharedMap.Offset() + kWindow)
    FSharedMap.Map(FFile.Fd(), offset, kWindow, FFile.Path(), /*populate=*/false);
  FShared = FSharedMap.Data() + (offset - FSharedMap.Offset());
  FSharedPlain.assign(plain, plain + kUnit);
  FSharedBlock = offset;
}

// Stores plain bytes [from, to) of the remembered shared block into the file.
void TBlobFile::StoreShared(size_t from, size_t to) {
  if (FKey)
    EncryptBlobBytes(FSharedPlain.data(), FShared, from, to, FKey);
  else
    std::memcpy(FShared + from, FSharedPlain.data() + from, to - from);
}

// A small blob goes into the last shared block while it has an entry and room left, else into a
// new one at the end of the file. The writer remembers that block: a blob then costs the
// encryption of its own bytes and of its entry, stored through a mapping without a system call.
uint32_t TBlobFile::WriteSmall(std::string_view data) {
  const uint32_t units = static_cast<uint32_t>((data.size() + 15) / 16);
  if (FSharedPlain.empty()) {
    ScanBlocks();
    if (FSharedBlock) {
      uint8_t block[kUnit] = {};
      ReadPlain(FSharedBlock, block, kUnit);
      if (block[0] == kTypeShared) OpenShared(FSharedBlock, block);
    }
  }
  int entry = -1;
  uint32_t next = kFirstDataUnit;
  if (!FSharedPlain.empty()) {
    const uint8_t* block = FSharedPlain.data();
    for (int i = kSharedEntries - 1; i >= 0; --i) {
      const uint8_t* e = &block[kSharedHead + 5 * i];
      if (e[0] == 0) {
        if (entry < 0) entry = i;
      } else {
        next = std::max<uint32_t>(next, e[0] + e[1]);
      }
    }
  }
  if (FSharedPlain.empty() || entry < 0 || next + units > kUnit / 16) {
    const uint64_t offset = EndOffset();
    if (offset + kUnit > 0xFFFFFF00u) ThrowTableError(FFile.Path(), "blob file is full");
    // The whole unit, so that the file never ends inside it.
    uint8_t block[kUnit] = {};
    block[0] = kTypeShared;
    PutU16(&block[1], 1);
    std::vector<uint8_t> stored(block, block + kUnit);
    WritePlain(offset, stored.data(), stored.size());
    if (offset >= FScanned) FScanned = offset + kUnit;
    OpenShared(offset, block);
    entry = kSharedEntries - 1;
    next = kFirstDataUnit;
  }
  uint8_t* block = FSharedPlain.data();
  // The blob first, then the entry that makes it reachable.
  std::memcpy(&block[next * 16], data.data(), data.size());
  StoreShared(next * 16, next * 16 + data.size());
  std::atomic_thread_fence(std::memory_order_release);
  uint8_t* e = &block[kSharedHead + 5 * entry];
  e[0] = static_cast<uint8_t>(next);
  e[1] = static_cast<uint8_t>(units);
  PutU16(e + 2, kModNumber);
  e[4] = static_cast<uint8_t>(data.size() - (units - 1) * 16);
  StoreShared(kSharedHead + 5 * entry, kSharedHead + 5 * entry + 5);
  return static_cast<uint32_t>(FSharedBlock) | static_cast<uint32_t>(entry);
}

uint32_t TBlobFile::Write(std::string_view data, bool graphic) {
  if (graphic) {
    // Paradox's graphic sub-header: a constant word and the image length.
    uint8_t prefix[8] = {0x01, 0x00, 0x00, 0x01};
    PutU32(prefix + 4, static_cast<uint32_t>(data.size()));
    return WriteSingle(std::string_view(reinterpret_cast<const char*>(prefix), 8), data);
  }
  if (data.size() <= kSmallLimit) return WriteSmall(data);
  return WriteSingle({}, data);
}

}  // namespace lw::paradox
