// Appends to a keyed, password-protected table (the result table's case): records whose key
// sorts last go to the end of the last block, and the .px is patched in place rather than
// written whole. The patched index must equal the one a full rewrite gives, other codecs must
// see every record after Refresh, and a writer that never closes must leave a readable table.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "DatabaseError.h"
#include "Table.h"
#include "TableCodec.h"
#include "TableTestUtil.h"
#include "TempDir.h"

namespace lw {
namespace {

using test::Def;
using test::ReadFile;

namespace fs = std::filesystem;
using test::TTempDir;

constexpr char kPassword[] = "K3yed!";

std::unique_ptr<TTableCodec> Open(const std::string& path) {
  TOpenOptions opt;
  opt.Passwords = {kPassword};
  return OpenParadoxTable(path, opt);
}

// Record `id`: a text and a memo whose length wanders over the shared blob blocks' chunk
// boundaries, now and then one long enough for a blob block of its own.
std::string Text(int64_t id) {
  return "row " + std::to_string(id) + std::string(static_cast<size_t>(id % 61), 'x');
}
std::string Memo(int64_t id) {
  const size_t n = id % 97 == 0 ? 3000 : static_cast<size_t>(id * 37 % 300);
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i + static_cast<size_t>(id)) % 26);
  return s;
}

void Post(TTableCodec& t, int64_t id) {
  t.Append({TValue::Null(), TValue::String(Text(id)), TValue::String(Memo(id))});
}

void ExpectRecord(TTableCodec& t, int64_t r) {
  const uint8_t* rec = t.Record(r);
  ASSERT_EQ(t.Value(rec, 0).Int(), r + 1) << r;
  ASSERT_EQ(t.Text(rec, 1), Text(r + 1)) << r;
  ASSERT_EQ(t.Value(rec, 2).Str(), Memo(r + 1)) << r;
}

// 4 KB blocks of 32 records; the .px holds 409 entries a block, so 30000 records need three
// level-1 index blocks under a root.
std::string CreateKeyed(const TTempDir& dir, const std::string& name) {
  const std::string path = dir.File(name + ".db");
  TIndexDef primary;
  primary.Fields = "Id";
  primary.Options = ixPrimary | ixUnique;
  CreateParadoxTable(path,
                     {Def("Id", ftAutoInc), Def("Text", ftString, 100), Def("Note", ftMemo, 10)},
                     {primary}, kPassword);
  return path;
}

TEST(ParadoxKeyedAppend, IndexPatchedInPlaceEqualsARewriteAndReadersKeepUp) {
  TTempDir dir, scratch;
  const std::string path = CreateKeyed(dir, "result");
  auto writer = Open(path);
  auto reader = Open(path);
  constexpr int64_t kRecords = 30000;
  int64_t posted = 0;
  int checkpoints = 0;
  while (posted < kRecords) {
    if (posted % 2300 == 1150) {
      // A codec opening a copy writes its first index whole; the same record appended here
      // patches ours. Both describe the same table, so the files must agree byte for byte
      // (the copy keeps the name, which the index header holds).
      for (const char* ext : {".db", ".mb", ".px"})
        fs::copy_file(dir.File(std::string("result") + ext),
                      scratch.File(std::string("result") + ext),
                      fs::copy_options::overwrite_existing);
      Post(*Open(scratch.File("result.db")), posted + 1);
      Post(*writer, ++posted);
      const std::string ours = ReadFile(dir.File("result.px"));
      ASSERT_TRUE(ours == ReadFile(scratch.File("result.px")))
          << "after " << posted << " records (" << ours.size() << " bytes)";
      ++checkpoints;
      continue;
    }
    Post(*writer, ++posted);
    if (posted % 101 == 0) {
      reader->Refresh();
      ASSERT_EQ(reader->RecordCount(), posted);
      ExpectRecord(*reader, posted - 1);
      ExpectRecord(*reader, posted / 2);
    }
  }
  EXPECT_EQ(checkpoints, 13);
  // The other codec appends as well: one sequence of keys, its record last.
  reader->Refresh();
  Post(*reader, kRecords + 1);
  Post(*writer, kRecords + 2);
  writer.reset();
  reader.reset();

  auto again = Open(path);
  ASSERT_EQ(again->RecordCount(), kRecords + 2);
  for (int64_t r = 0; r < kRecords + 2; ++r) ExpectRecord(*again, r);
  const std::string px = ReadFile(dir.File("result.px"));
  ASSERT_EQ(px.size(), 2048u + 4 * 4096u);       // the root and three level-1 blocks
  EXPECT_EQ(static_cast<uint8_t>(px[0x20]), 2);  // index levels
}

// Every store reaches the file when Append returns: a process that dies without closing the
// table leaves all its records, the header counting them and an index a new writer extends.
TEST(ParadoxKeyedAppend, WriterKilledWithoutClosingLeavesEveryRecord) {
  TTempDir dir;
  const std::string path = CreateKeyed(dir, "killed");
  constexpr int64_t kRecords = 2500;
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int code = 0;
    try {
      auto t = Open(path);
      for (int64_t id = 1; id <= kRecords; ++id) Post(*t, id);
      static_cast<void>(t.release());  // never closed, never flushed
    } catch (...) {
      code = 1;
    }
    ::_exit(code);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  auto t = Open(path);
  ASSERT_EQ(t->RecordCount(), kRecords);
  for (int64_t r = 0; r < kRecords; ++r) ExpectRecord(*t, r);
  Post(*t, kRecords + 1);
  ExpectRecord(*t, kRecords);
}

// The scan reads fields by position: a position past the fields is refused like Fields() does,
// not read from beyond the field list.
TEST(ParadoxKeyedAppend, FieldTextRefusesPositionsPastTheFields) {
  TTempDir dir;
  const std::string path = dir.File("plain.db");
  CreateParadoxTable(path, {Def("A", ftString, 10), Def("B", ftInteger)}, {});
  TTable t;
  t.SetTableName(path);
  EXPECT_THROW(t.FieldText(0), EDatabaseError);  // closed
  t.Open();
  t.Append();
  t.Fields(0).SetValue(TValue::String("x"));
  t.Post();
  t.First();
  EXPECT_EQ(t.FieldText(0), "x");
  for (int bad : {2, -1, 1000}) {
    std::string fromFields, fromText;
    try {
      t.Fields(bad);
    } catch (const EDatabaseError& e) {
      fromFields = e.what();
    }
    try {
      t.FieldText(bad);
    } catch (const EDatabaseError& e) {
      fromText = e.what();
    }
    EXPECT_FALSE(fromText.empty()) << bad;
    EXPECT_EQ(fromText, fromFields) << bad;
  }
}

}  // namespace
}  // namespace lw
