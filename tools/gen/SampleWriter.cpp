#include "SampleWriter.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "DataPassword.h"
#include "ListingGenerator.h"
#include "ListingLayout.h"
#include "Table.h"

namespace lw::gen {
namespace {

void WriteTextFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) throw std::runtime_error(path.string() + ": cannot write");
}

}  // namespace

void WriteListingTable(const std::string& path, int64_t records, uint64_t seed,
                       const std::string& password) {
  TTable table;
  table.SetTableName(path);
  table.SetTableType(ttParadox);
  table.FieldDefs().Items() = ListingFieldDefs();
  table.IndexDefs().Clear();
  table.CreateTable();
  table.SetExclusive(true);
  table.Open();
  TListingGenerator gen(seed);
  for (int64_t n = 0; n < records; ++n) {
    std::vector<TValue> values = gen.Next();
    table.Append();
    for (int i = 0; i < lfCount; ++i) table.Fields(i).SetValue(values[i]);
    table.Post();
  }
  table.Close();
  table.SetExclusive(false);
  if (!password.empty()) table.SetMasterPassword(password);
}

void WriteResultTable(const std::string& path) {
  TTable table;
  table.SetTableName(path);
  table.SetTableType(ttParadox);
  table.FieldDefs().Items() = ResultFieldDefs();
  table.IndexDefs().Items() = ResultIndexDefs();
  table.CreateTable();
  table.SetMasterPassword(kDataPasswordText);
}

void WriteProgramFiles(const std::string& dir, int64_t records, uint64_t seed) {
  namespace fs = std::filesystem;
  const fs::path root(dir);
  fs::create_directories(root / "sample");
  fs::create_directories(root / "data");
  WriteListingTable((root / "sample" / "sample.db").string(), records, seed);
  WriteResultTable((root / "data" / "swap.db").string());
  WriteTextFile(root / "setup.ini", DefaultSetupFile());
  if (!fs::exists(root / "lwconfig.ini"))
    WriteTextFile(root / "lwconfig.ini", DefaultUserSettings());
}

}  // namespace lw::gen
