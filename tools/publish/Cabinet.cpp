#include "Cabinet.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

#include "CabMszip.h"

namespace lw::publish {

namespace {

constexpr size_t kBlock = 32768;           // uncompressed bytes per data block
constexpr size_t kFolderMax = 0x7FFF8000;  // the most a folder may hold
constexpr size_t kHeader = 36, kFolder = 8, kFileFixed = 16, kDataHeader = 8;
constexpr uint16_t kArchive = 0x20, kExecutable = 0x40;

void Put16(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>(v >> 8 & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

void DosTime(std::time_t t, uint16_t& date, uint16_t& time) {
  std::tm tm{};
  localtime_r(&t, &tm);
  if (tm.tm_year < 80) {  // the format's first day
    tm = std::tm{};
    tm.tm_mday = 1;
    tm.tm_year = 80;
  }
  date = static_cast<uint16_t>((tm.tm_year - 80) << 9 | (tm.tm_mon + 1) << 5 | tm.tm_mday);
  time = static_cast<uint16_t>(tm.tm_hour << 11 | tm.tm_min << 5 | tm.tm_sec / 2);
}

}  // namespace

std::string CabinetOf(const std::string& name, const std::string& data, std::time_t modified,
                      bool executable) {
  if (data.size() > kFolderMax) throw std::runtime_error(name + " is too large for a cabinet");
  const size_t blocks = (data.size() + kBlock - 1) / kBlock;
  const size_t filesAt = kHeader + kFolder;
  const size_t dataAt = filesAt + kFileFixed + name.size() + 1;
  const size_t total = dataAt + blocks * kDataHeader + data.size();
  uint16_t date = 0, time = 0;
  DosTime(modified, date, time);

  std::string cab = "MSCF";
  Put32(cab, 0);
  Put32(cab, static_cast<uint32_t>(total));
  Put32(cab, 0);
  Put32(cab, static_cast<uint32_t>(filesAt));
  Put32(cab, 0);
  cab += '\x03';  // format version 1.3
  cab += '\x01';
  Put16(cab, 1);  // folders
  Put16(cab, 1);  // files
  Put16(cab, 0);  // flags: no reserved areas, not part of a set
  Put16(cab, 0);  // set id
  Put16(cab, 0);  // number in the set

  Put32(cab, static_cast<uint32_t>(dataAt));
  Put16(cab, static_cast<uint32_t>(blocks));
  Put16(cab, 0);  // stored, no compression

  Put32(cab, static_cast<uint32_t>(data.size()));
  Put32(cab, 0);  // offset in the folder
  Put16(cab, 0);  // folder 0
  Put16(cab, date);
  Put16(cab, time);
  Put16(cab, kArchive | (executable ? kExecutable : 0));
  cab += name;
  cab += '\0';

  for (size_t at = 0; at < data.size(); at += kBlock) {
    const size_t n = std::min(kBlock, data.size() - at);
    std::string sizes;
    Put16(sizes, static_cast<uint32_t>(n));  // stored: as many bytes as it unpacks to
    Put16(sizes, static_cast<uint32_t>(n));
    // Readers such as gcab insist on the checksum, zero ("none") included.
    const auto* block = reinterpret_cast<const unsigned char*>(data.data()) + at;
    Put32(cab, CabinetChecksum(reinterpret_cast<const unsigned char*>(sizes.data()), 4,
                               CabinetChecksum(block, n, 0)));
    cab += sizes;
    cab.append(data, at, n);
  }
  return cab;
}

}  // namespace lw::publish
