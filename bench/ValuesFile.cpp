#include "ValuesFile.h"

#include <cstring>
#include <fstream>
#include <stdexcept>

#include "Table.h"

namespace lw::bench {
namespace {

template <class T>
void Put(std::string& out, T v) {
  out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

}  // namespace

TValuesFile::TValuesFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(path + ": cannot open");
  FData.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  auto need = [&](size_t n) {
    if (FPos + n > FData.size()) throw std::runtime_error(path + ": truncated values file");
  };
  auto get = [&](auto& v) {
    need(sizeof v);
    std::memcpy(&v, FData.data() + FPos, sizeof v);
    FPos += sizeof v;
  };
  need(4);
  if (FData.compare(0, 4, "LWV1") != 0) throw std::runtime_error(path + ": not a values file");
  FPos = 4;
  uint32_t count = 0;
  uint64_t records = 0;
  get(count);
  get(records);
  FRecords = static_cast<int64_t>(records);
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t type = 0, nameLen = 0;
    uint16_t size = 0;
    get(type);
    get(size);
    get(nameLen);
    need(nameLen);
    TFieldDef d;
    d.Name = FData.substr(FPos, nameLen);
    d.DataType = static_cast<TFieldType>(type);
    d.Size = size;
    FPos += nameLen;
    FFields.push_back(d);
  }
  FText.resize(count);
  FNull.resize(count);
}

bool TValuesFile::Next() {
  if (FRead >= FRecords) return false;
  for (size_t i = 0; i < FFields.size(); ++i) {
    if (FPos + 2 > FData.size()) throw std::runtime_error("truncated values file");
    uint16_t len = 0;
    std::memcpy(&len, FData.data() + FPos, 2);
    FPos += 2;
    FNull[i] = len == 0xFFFF;
    if (FNull[i]) len = 0;
    if (FPos + len > FData.size()) throw std::runtime_error("truncated values file");
    FText[i] = std::string_view(FData).substr(FPos, len);
    FPos += len;
  }
  ++FRead;
  return true;
}

void WriteValuesFile(const std::string& tablePath, const std::string& outPath) {
  TTable table;
  table.SetTableName(tablePath);
  table.SetReadOnly(true);
  table.Open();
  table.FieldDefs().Update();
  std::string out = "LWV1";
  const int fields = table.FieldCount();
  Put<uint32_t>(out, static_cast<uint32_t>(fields));
  Put<uint64_t>(out, static_cast<uint64_t>(table.RecordCount()));
  for (const TFieldDef& d : table.FieldDefs().Items()) {
    Put<uint8_t>(out, static_cast<uint8_t>(d.DataType));
    Put<uint16_t>(out, static_cast<uint16_t>(d.Size));
    Put<uint8_t>(out, static_cast<uint8_t>(d.Name.size()));
    out += d.Name;
  }
  std::ofstream file(outPath, std::ios::binary | std::ios::trunc);
  for (table.First(); !table.Eof(); table.Next()) {
    for (int i = 0; i < fields; ++i) {
      if (table.FieldIsNull(i)) {
        Put<uint16_t>(out, 0xFFFF);
        continue;
      }
      std::string_view text = table.FieldText(i);
      if (text.size() >= 0xFFFF) text = text.substr(0, 0xFFFE);
      Put<uint16_t>(out, static_cast<uint16_t>(text.size()));
      out.append(text);
    }
    if (out.size() > (1 << 22)) {
      file.write(out.data(), static_cast<std::streamsize>(out.size()));
      out.clear();
    }
  }
  file.write(out.data(), static_cast<std::streamsize>(out.size()));
  file.close();
  if (!file) throw std::runtime_error(outPath + ": cannot write");
}

}  // namespace lw::bench
