#include "DbaseMemo.h"

#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <vector>

#include "DatabaseError.h"

namespace lw::dbase {

namespace {

constexpr uint32_t kHeaderBytes = 512;
constexpr uint8_t kDbase4EntryMark[4] = {0xFF, 0xFF, 0x08, 0x00};

uint64_t CeilDiv(uint64_t a, uint64_t b) {
  return (a + b - 1) / b;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

TDbaseMemoFile::TDbaseMemoFile(const std::string& path, TMemoKind kind, bool writable)
    : FFile(path, writable ? TPosixFile::Mode::ReadWrite : TPosixFile::Mode::Read), FKind(kind) {
  uint8_t h[32] = {};
  const size_t got = FFile.ReadSome(0, h, sizeof h);
  switch (kind) {
    case TMemoKind::DbaseIII:
      FBlockSize = 512;
      if (got < 4) Fail("memo file is truncated (no header)");
      break;
    case TMemoKind::DbaseIV: {
      if (got < 22) Fail("memo file is truncated (no header)");
      // The block size is at 20-21; some writers put it at 4-7 instead.
      uint32_t bs = GetU16LE(h + 20);
      if (bs == 0) bs = GetU32LE(h + 4);
      if (bs == 0) Fail("damaged memo file header: impossible block size 0");
      FBlockSize = bs > 65536 ? 512 : bs;
      break;
    }
    case TMemoKind::FoxPro: {
      if (got < 8) Fail("memo file is truncated (no header)");
      uint32_t bs = uint32_t(h[6]) << 8 | h[7];
      if (bs == 0) Fail("damaged memo file header: impossible block size 0");
      FBlockSize = bs;
      break;
    }
    default:
      Fail("this kind of memo file is not supported");
  }
}

void TDbaseMemoFile::Fail(const std::string& reason) const {
  ThrowTableError(FFile.Path(), reason);
}

std::string TDbaseMemoFile::ReadTerminated(uint64_t offset, uint64_t fileSize) const {
  // dBase III ends a memo with 0x1A 0x1A; FoxPro-edited files with a single 0x1A, so the
  // first one ends it. A memo without its end marker runs to the end of the file.
  std::string out;
  std::vector<char> buf(4096);
  while (offset < fileSize) {
    size_t want = static_cast<size_t>(std::min<uint64_t>(buf.size(), fileSize - offset));
    size_t got = FFile.ReadSome(offset, buf.data(), want);
    if (got == 0) break;
    const char* end = static_cast<const char*>(std::memchr(buf.data(), 0x1A, got));
    if (end) {
      out.append(buf.data(), static_cast<size_t>(end - buf.data()));
      return out;
    }
    out.append(buf.data(), got);
    offset += got;
  }
  return out;
}

std::string TDbaseMemoFile::Read(uint64_t block) const {
  const uint64_t fileSize = FFile.Size();
  if (block == 0) return {};
  if (block > fileSize / FBlockSize + 1)
    Fail("memo block " + std::to_string(block) + " is past the end of the memo file");
  const uint64_t offset = block * FBlockSize;
  const uint64_t firstData = FKind == TMemoKind::FoxPro ? kHeaderBytes : FBlockSize;
  if (offset < firstData)
    Fail("memo block " + std::to_string(block) + " lies inside the memo file header");
  if (offset >= fileSize)
    Fail("memo block " + std::to_string(block) + " is past the end of the memo file");

  uint8_t h[8] = {};
  const size_t got = FFile.ReadSome(offset, h, sizeof h);
  uint64_t length = 0;
  uint64_t dataStart = offset + 8;
  switch (FKind) {
    case TMemoKind::DbaseIII:
      return ReadTerminated(offset, fileSize);
    case TMemoKind::DbaseIV:
      if (got < 8 || std::memcmp(h, kDbase4EntryMark, 4) != 0)
        return ReadTerminated(offset, fileSize);
      length = GetU32LE(h + 4);
      // The stored length counts the 8-byte entry header.
      if (length < 8) Fail("damaged memo at block " + std::to_string(block));
      length -= 8;
      break;
    case TMemoKind::FoxPro:
      if (got < 8) Fail("memo at block " + std::to_string(block) + " is truncated");
      length = GetU32BE(h + 4);
      break;
    default:
      Fail("this kind of memo file is not supported");
  }
  if (length > fileSize || dataStart + length > fileSize)
    Fail("memo at block " + std::to_string(block) + " runs past the end of the memo file");
  std::string out(static_cast<size_t>(length), '\0');
  if (length) FFile.ReadAt(dataStart, out.data(), out.size());
  return out;
}

uint64_t TDbaseMemoFile::Append(std::string_view data) {
  if (FKind != TMemoKind::DbaseIII && FKind != TMemoKind::DbaseIV)
    Fail("writing to this kind of memo file is not supported");
  uint8_t h[4] = {};
  FFile.ReadAt(0, h, sizeof h);
  const uint64_t fileSize = FFile.Size();
  // Start after everything in the file, even when another writer left the header behind.
  uint64_t next = std::max<uint64_t>({GetU32LE(h), CeilDiv(fileSize, FBlockSize), 1});
  std::string entry;
  if (FKind == TMemoKind::DbaseIII) {
    entry.assign(data);
    entry.append("\x1A\x1A");
  } else {
    entry.assign(reinterpret_cast<const char*>(kDbase4EntryMark), 4);
    uint8_t len[4];
    PutU32LE(len, static_cast<uint32_t>(data.size() + 8));
    entry.append(reinterpret_cast<const char*>(len), 4);
    entry.append(data);
  }
  const uint64_t after = next + CeilDiv(entry.size(), FBlockSize);
  if (after > 0xFFFFFFFFULL) Fail("memo file is full");
  // Fill the last block so that the next free block is where the file ends.
  entry.resize(static_cast<size_t>((after - next) * FBlockSize), '\0');
  FFile.WriteAt(next * FBlockSize, entry.data(), entry.size());
  uint8_t nh[4];
  PutU32LE(nh, static_cast<uint32_t>(after));
  FFile.WriteAt(0, nh, sizeof nh);
  return next;
}

void TDbaseMemoFile::Create(const std::string& path, TMemoKind kind, const std::string& tableName) {
  std::vector<uint8_t> h(kHeaderBytes, 0);
  PutU32LE(h.data(), 1);
  if (kind == TMemoKind::DbaseIII) {
    h[16] = 0x03;
  } else {
    // dBase IV names the table (up to 8 characters) and gives the block size.
    std::string stem = tableName;
    size_t slash = stem.find_last_of('/');
    if (slash != std::string::npos) stem.erase(0, slash + 1);
    size_t dot = stem.find_last_of('.');
    if (dot != std::string::npos) stem.erase(dot);
    for (size_t i = 0; i < stem.size() && i < 8; ++i)
      h[8 + i] = static_cast<uint8_t>(std::toupper(static_cast<unsigned char>(stem[i])));
    h[18] = 0x02;
    h[19] = 0x01;
    PutU16LE(h.data() + 20, 512);
  }
  TPosixFile f(path, TPosixFile::Mode::Create);
  f.WriteAt(0, h.data(), h.size());
}

std::string FindMemoFile(const std::string& tablePath, TMemoKind kind) {
  const size_t slash = tablePath.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "." : tablePath.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? tablePath : tablePath.substr(slash + 1);
  const size_t dot = base.find_last_of('.');
  std::string ext = dot == std::string::npos ? "" : Lower(base.substr(dot));
  if (dot != std::string::npos) base.erase(dot);

  std::vector<std::string> wanted;
  if (ext == ".dbc") wanted.push_back(".dct");
  if (kind == TMemoKind::FoxPro) {
    wanted.push_back(".fpt");
    wanted.push_back(".dbt");
  } else {
    wanted.push_back(".dbt");
    wanted.push_back(".fpt");
  }

  std::unique_ptr<DIR, int (*)(DIR*)> d(opendir(dir.c_str()), closedir);
  if (!d) return {};
  std::vector<std::string> names;
  while (dirent* e = readdir(d.get())) names.emplace_back(e->d_name);
  const std::string lowerBase = Lower(base);
  for (const std::string& w : wanted) {
    // An exact match first, so that a directory holding both NAME.DBT and name.dbt is stable.
    for (const std::string& n : names)
      if (n == base + w) return (slash == std::string::npos ? "" : dir) + n;
    for (const std::string& n : names)
      if (Lower(n) == lowerBase + w) return (slash == std::string::npos ? "" : dir) + n;
  }
  return {};
}

std::string MemoFileNameFor(const std::string& tablePath) {
  const size_t slash = tablePath.find_last_of('/');
  const size_t dot = tablePath.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return tablePath + ".dbt";
  const std::string ext = tablePath.substr(dot + 1);
  bool upper = !ext.empty() && std::all_of(ext.begin(), ext.end(), [](char c) {
    return !std::islower(static_cast<unsigned char>(c));
  });
  return tablePath.substr(0, dot) + (upper ? ".DBT" : ".dbt");
}

}  // namespace lw::dbase
