#include "CabMszip.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <vector>

#include "CabExtract.h"
#include "PathExpand.h"
#include "TempFile.h"

namespace lw {

namespace {

constexpr uint32_t kMaxBlock = 32768;

uint16_t U16(const unsigned char* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t U32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

struct TFolder {
  uint32_t DataStart = 0;
  uint16_t Blocks = 0;
  uint16_t Type = 0;
};

struct TFile {
  uint32_t Length = 0, Offset = 0;
  uint16_t Folder = 0, Date = 0, Time = 0;
  std::string Name;
};

// Reads the cabinet through one FILE with a large buffer.
class TReader {
 public:
  explicit TReader(const std::string& path) : FFile(std::fopen(path.c_str(), "rb")) {
    if (FFile) std::setvbuf(FFile, nullptr, _IOFBF, 1 << 16);
  }
  ~TReader() {
    if (FFile) std::fclose(FFile);
  }
  bool Ok() const { return FFile != nullptr; }
  bool Seek(uint32_t pos) { return std::fseek(FFile, static_cast<long>(pos), SEEK_SET) == 0; }
  bool Read(void* to, size_t n) { return n == 0 || std::fread(to, 1, n, FFile) == n; }
  bool Skip(size_t n) { return std::fseek(FFile, static_cast<long>(n), SEEK_CUR) == 0; }
  bool Name(std::string& out) {
    out.clear();
    for (int c; (c = std::fgetc(FFile)) != EOF;) {
      if (c == 0) return true;
      if (out.size() >= 1024) return false;
      out += static_cast<char>(c);
    }
    return false;
  }

 private:
  FILE* FFile;
};

// The file being written: its temporary file and how much of it arrived.
struct TOpenFile {
  std::unique_ptr<TTempFile> Temp;
  std::string Target;
  uint32_t Written = 0;
};

}  // namespace

uint32_t CabinetChecksum(const unsigned char* data, size_t bytes, uint32_t sum) {
  for (size_t n = bytes / 4; n--; data += 4) sum ^= U32(data);
  uint32_t tail = 0;
  switch (bytes & 3) {
    case 3:
      tail |= static_cast<uint32_t>(*data++) << 16;
      [[fallthrough]];
    case 2:
      tail |= static_cast<uint32_t>(*data++) << 8;
      [[fallthrough]];
    case 1:
      tail |= *data;
  }
  return sum ^ tail;
}

void SetCabinetFileTime(const std::string& path, int year, int month, int day, int hour, int minute,
                        int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1)) return;
  const struct timespec times[2] = {{t, 0}, {t, 0}};
  ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

int CabExtractMszip(const std::string& cabinet, const std::string& base, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return -1;
  };
  TReader in(cabinet);
  unsigned char h[36];
  if (!in.Ok() || !in.Read(h, sizeof h) || U32(h) != 0x4643534D) return 1;  // "MSCF"
  const uint16_t folderCount = U16(h + 26), fileCount = U16(h + 28), flags = U16(h + 30);
  if ((flags & ~4u) != 0 || folderCount == 0) return 1;  // part of a set, or unusual
  uint8_t folderReserve = 0, dataReserve = 0;
  if (flags & 4) {
    unsigned char r[4];
    if (!in.Read(r, 4)) return 1;
    folderReserve = r[2];
    dataReserve = r[3];
    if (!in.Skip(U16(r))) return 1;
  }
  std::vector<TFolder> folders(folderCount);
  for (TFolder& f : folders) {
    unsigned char r[8];
    if (!in.Read(r, 8) || !in.Skip(folderReserve)) return 1;
    f.DataStart = U32(r);
    f.Blocks = U16(r + 4);
    f.Type = U16(r + 6) & 0x0F;
    if (f.Type > 1) return 1;  // Quantum, LZX: the general decompressor
  }
  std::vector<TFile> files(fileCount);
  if (!in.Seek(U32(h + 16))) return 1;
  for (TFile& f : files) {
    unsigned char r[16];
    if (!in.Read(r, 16) || !in.Name(f.Name)) return 1;
    f.Length = U32(r);
    f.Offset = U32(r + 4);
    f.Folder = U16(r + 8);
    f.Date = U16(r + 10);
    f.Time = U16(r + 12);
    if (f.Folder >= folderCount) return 1;
    if (!SafeCabinetName(f.Name)) return fail("Unsafe name in cabinet: " + f.Name);
  }

  // Every folder's files in folder order; overlapping files go to the general decompressor.
  std::vector<std::vector<TFile*>> byFolder(folderCount);
  for (TFile& f : files) byFolder[f.Folder].push_back(&f);
  for (std::vector<TFile*>& list : byFolder) {
    std::stable_sort(list.begin(), list.end(),
                     [](const TFile* a, const TFile* b) { return a->Offset < b->Offset; });
    uint64_t end = 0;
    for (const TFile* f : list) {
      if (f->Offset < end) return 1;
      end = static_cast<uint64_t>(f->Offset) + f->Length;
    }
  }

  std::vector<unsigned char> packed(kMaxBlock + 6144), out(kMaxBlock), window;
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return 1;
  std::unique_ptr<z_stream, int (*)(z_stream*)> zGuard(&z, inflateEnd);
  for (uint16_t fi = 0; fi < folderCount; ++fi) {
    const std::vector<TFile*>& inFolder = byFolder[fi];
    window.clear();
    const TFolder& folder = folders[fi];
    if (!in.Seek(folder.DataStart)) return fail("Damaged cabinet: " + cabinet);
    uint64_t pos = 0;  // uncompressed position in the folder
    size_t next = 0;   // first file not yet complete
    TOpenFile open;
    auto startFile = [&](const TFile& f) -> bool {
      const std::string target = base + LocalPath(f.Name);
      const std::string dir = DirectoryOf(target);
      std::error_code ec;
      std::filesystem::create_directories(dir, ec);
      open.Temp = std::make_unique<TTempFile>(dir, "NUPD");
      open.Target = target;
      open.Written = 0;
      return open.Temp->IsOpen();
    };
    auto finishFile = [&](const TFile& f) -> bool {
      if (!open.Temp->Close()) return false;
      SetCabinetFileTime(open.Temp->Path(), (f.Date >> 9) + 1980, (f.Date >> 5) & 15, f.Date & 31,
                         f.Time >> 11, (f.Time >> 5) & 63, (f.Time & 31) * 2);
      const bool ok = open.Temp->RenameTo(open.Target);
      open.Temp.reset();
      return ok;
    };
    // Writes block bytes [used, size) at folder position pos + used to the files they belong
    // to; files of no length are completed when their offset is reached.
    auto deliver = [&](const unsigned char* data, uint32_t size) -> int {
      uint32_t used = 0;
      while (next < inFolder.size()) {
        const TFile& f = *inFolder[next];
        if (!open.Temp) {
          if (f.Offset > pos + used) {
            if (f.Offset - pos >= size) break;  // starts in a later block
            used = static_cast<uint32_t>(f.Offset - pos);
          }
          if (!startFile(f)) return fail("Cannot create " + base + f.Name);
        }
        const uint32_t take = std::min<uint32_t>(size - used, f.Length - open.Written);
        if (take > 0 && ::write(open.Temp->Fd(), data + used, take) != static_cast<ssize_t>(take))
          return fail("Cannot write " + open.Target);
        open.Written += take;
        used += take;
        if (open.Written < f.Length) break;  // the block is used up
        if (!finishFile(f)) return fail("Cannot write " + open.Target);
        ++next;
      }
      pos += size;
      return 0;
    };
    for (uint16_t b = 0; b < folder.Blocks && next < inFolder.size(); ++b) {
      unsigned char r[8];
      if (!in.Read(r, 8) || !in.Skip(dataReserve)) return fail("Damaged cabinet: " + cabinet);
      const uint32_t sum = U32(r);
      const uint16_t packedSize = U16(r + 4), size = U16(r + 6);
      if (packedSize > packed.size() || size > kMaxBlock || !in.Read(packed.data(), packedSize))
        return fail("Damaged cabinet: " + cabinet);
      if (sum != 0 &&
          CabinetChecksum(r + 4, 4, CabinetChecksum(packed.data(), packedSize, 0)) != sum)
        return 1;  // let the general decompressor judge the block
      const unsigned char* data = packed.data();
      if (folder.Type == 0) {
        if (packedSize != size) return fail("Damaged cabinet: " + cabinet);
      } else {
        if (packedSize < 2 || packed[0] != 'C' || packed[1] != 'K')
          return fail("Damaged cabinet: " + cabinet);
        inflateReset(&z);
        if (!window.empty() &&
            inflateSetDictionary(&z, window.data(), static_cast<uInt>(window.size())) != Z_OK)
          return fail("Damaged cabinet: " + cabinet);
        z.next_in = packed.data() + 2;
        z.avail_in = packedSize - 2u;
        z.next_out = out.data();
        z.avail_out = kMaxBlock;
        const int rc = inflate(&z, Z_FINISH);
        if (rc != Z_STREAM_END || z.total_out != size) return fail("Damaged cabinet: " + cabinet);
        // The history of the next block: the last 32 KB of the folder's output.
        window.insert(window.end(), out.begin(), out.begin() + size);
        if (window.size() > kMaxBlock)
          window.erase(window.begin(), window.end() - static_cast<std::ptrdiff_t>(kMaxBlock));
        data = out.data();
      }
      if (deliver(data, size) != 0) return -1;
    }
    if (deliver(nullptr, 0) != 0) return -1;  // files of no length at the very end
    if (next < inFolder.size()) return fail("Damaged cabinet (data missing): " + cabinet);
  }
  return 0;
}

}  // namespace lw
