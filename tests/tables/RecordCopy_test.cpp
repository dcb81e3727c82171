// Copying records between tables from their stored bytes (TRecordCopy): the files must come out
// exactly as the value path (Append, a SetValue per field, Post) writes them, the copy's writer
// lock must let readers see every record and other writers in on Release, and a copying process
// killed at any moment must leave every record it posted.
#include "RecordCopy.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <random>

#include "DatabaseError.h"
#include "Session.h"
#include "Table.h"
#include "TableCodec.h"
#include "TableTestUtil.h"
#include "TempDir.h"

namespace lw {
namespace {

using test::Def;
using test::ReadFile;
using test::TTempDir;

constexpr char kPassword[] = "C0py!";
constexpr int kSourceRecords = 300;

// "(ddd) ddd-dddd" for ten characters, as the search stores telephone numbers.
bool Phone(std::string_view text, std::string& out) {
  if (text.size() != 10) return false;
  out = "(" + std::string(text.substr(0, 3)) + ") " + std::string(text.substr(3, 3)) + "-" +
        std::string(text.substr(6));
  return true;
}

std::string Memo(int i) {
  static const size_t kLengths[] = {0, 5, 10, 11, 300, 2047, 2049, 3000};
  const size_t n = kLengths[static_cast<size_t>(i) % 8] + static_cast<size_t>(i % 3);
  std::string s(n, '\0');
  for (size_t k = 0; k < n; ++k)
    s[k] = static_cast<char>('a' + (k * 7 + static_cast<size_t>(i)) % 26);
  return s;
}

std::string Name(int i) {
  return i == 0 ? "JunkAfterMe" : "Name " + std::to_string(i * 7919 % 1000);
}

class RecordCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FSession.SetAutoSessionName(true);
    FSession.Open();
    FSession.AddPassword(kPassword);
    MakeSource();
  }

  std::unique_ptr<TTable> Table(const std::string& path) {
    auto t = std::make_unique<TTable>();
    t->SetSessionName(FSession.SessionName());
    t->SetTableName(path);
    return t;
  }

  // Every kind the codec stores, blanks now and then, memos inside the record and in the blob
  // file, and a text field with bytes after its end (as other writers leave them).
  void MakeSource() {
    FSourcePath = FSourceDir.File("source.db");
    auto t = Table(FSourcePath);
    t->FieldDefs().Items() = {
        Def("Name", ftString, 20), Def("City", ftString, 10), Def("Tel", ftString, 10),
        Def("Count", ftSmallint),  Def("Big", ftInteger),     Def("Seen", ftDate),
        Def("At", ftTime),         Def("Amount", ftFloat),    Def("Cash", ftCurrency),
        Def("Ok", ftBoolean),      Def("Dec", ftBCD, 2),      Def("Stamp", ftDateTime),
        Def("Code", ftBytes, 4),   Def("Note", ftMemo, 10),   Def("Num", ftInteger)};
    t->CreateTable();
    t->Open();
    for (int i = 0; i < kSourceRecords; ++i) {
      t->Append();
      const bool blanks = i % 7 == 3;
      t->Fields(0).SetAsString(Name(i));
      if (!blanks) {
        t->Fields(1).SetAsString(i % 2 ? "Albany" : "Utica");
        t->Fields(2).SetAsString(i % 5 ? std::to_string(5180000000LL + i) : "555-0100");
        t->Fields(3).SetAsInteger(i - 150);
        t->Fields(4).SetAsInteger(i * 100003LL - 7);
        t->Fields(5).SetAsString("2024-03-" + std::to_string(1 + i % 28));
        t->Fields(6).SetAsString("12:34:" + std::to_string(10 + i % 50));
        t->Fields(7).SetAsFloat(i % 11 == 0 ? -0.5 * i : i / 7.0);
        t->Fields(8).SetAsFloat(i * 1.25);
        t->Fields(9).SetAsBoolean(i % 2 == 0);
        t->Fields(10).SetAsFloat(i * 0.01 - 1);
        t->Fields(11).SetAsString("2023-12-31 23:59:" + std::to_string(10 + i % 40));
        t->Fields(12).SetValue(TValue::Bytes(std::string("\x01\x00\xFF", 3) + char(i)));
        if (!Memo(i).empty()) t->Fields(13).SetAsString(Memo(i));
        t->Fields(14).SetAsInteger(i * 31);
      }
      t->Post();
    }
    t->Close();
    // Bytes after the end of the first record's name.
    std::string bytes = ReadFile(FSourcePath);
    const size_t at = bytes.find(std::string("JunkAfterMe\0", 12));
    ASSERT_NE(at, std::string::npos);
    std::fstream f(FSourcePath, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(at + 13));
    f.write("XY", 2);
  }

  // The result table's shape: a numbering key, the source's fields with the telephone number
  // wider, one field converted (a number into text) and one without a source.
  std::string MakeTarget(const TTempDir& dir) {
    const std::string path = dir.File("result.db");
    auto t = Table(path);
    t->FieldDefs().Items() = {
        Def("No", ftAutoInc),         Def("Name", ftString, 20), Def("City", ftString, 10),
        Def("Tel", ftString, 14),     Def("Count", ftSmallint),  Def("Big", ftInteger),
        Def("Seen", ftDate),          Def("At", ftTime),         Def("Amount", ftFloat),
        Def("Cash", ftCurrency),      Def("Ok", ftBoolean),      Def("Dec", ftBCD, 2),
        Def("Stamp", ftDateTime),     Def("Code", ftBytes, 4),   Def("Note", ftMemo, 10),
        Def("NumText", ftString, 12), Def("Extra", ftString, 5)};
    TIndexDef primary;
    primary.Fields = "No";
    primary.Options = ixPrimary | ixUnique;
    t->IndexDefs().Items() = {primary};
    t->CreateTable();
    t->SetMasterPassword(kPassword);
    return path;
  }

  static std::vector<TFieldCopy> Plan() {
    std::vector<TFieldCopy> plan(17);
    for (int i = 0; i < 15; ++i) plan[static_cast<size_t>(i + 1)].Source = i;
    plan[3].Reformat = Phone;
    return plan;
  }

  // The value path, as the search copied matches before.
  static void CopyByValues(TTable& source, TTable& target, const std::vector<TFieldCopy>& plan) {
    target.Append();
    std::string formatted;
    for (size_t i = 0; i < plan.size(); ++i) {
      if (plan[i].Source < 0) continue;
      TField& f = target.Fields(static_cast<int>(i));
      f.SetValue(source.Fields(plan[i].Source).Value());
      if (plan[i].Reformat && plan[i].Reformat(f.AsString(), formatted)) f.SetAsString(formatted);
    }
    target.Post();
  }

  TSession FSession;
  TTempDir FSourceDir;
  std::string FSourcePath;
};

TEST_F(RecordCopyTest, StoredBytesEqualTheValuePathsFilesByteForByte) {
  TTempDir direct, byValues;
  auto source = Table(FSourcePath);
  source->Open();
  {
    auto target = Table(MakeTarget(direct));
    target->Open();
    TRecordCopy copy(*source, *target, Plan());
    ASSERT_TRUE(copy.Direct());
    for (int round = 0; round < 3; ++round)
      for (source->First(); !source->Eof(); source->Next()) copy.AppendCurrent();
    EXPECT_EQ(target->RecordCount(), 3 * kSourceRecords);
  }
  {
    auto target = Table(MakeTarget(byValues));
    target->Open();
    for (int round = 0; round < 3; ++round)
      for (source->First(); !source->Eof(); source->Next()) CopyByValues(*source, *target, Plan());
  }
  for (const char* ext : {".db", ".mb", ".px"}) {
    const std::string a = ReadFile(direct.File(std::string("result") + ext));
    const std::string b = ReadFile(byValues.File(std::string("result") + ext));
    ASSERT_FALSE(a.empty()) << ext;
    EXPECT_TRUE(a == b) << ext << " differs (" << a.size() << " and " << b.size() << " bytes)";
  }
  // And what was stored reads back as the source says.
  auto check = Table(direct.File("result.db"));
  check->Open();
  check->SetRecNo(1);
  EXPECT_EQ(check->FieldText(1), "JunkAfterMe");
  check->SetRecNo(2);
  EXPECT_EQ(check->FieldText(3), "(518) 000-0001");
  EXPECT_EQ(check->Fields(14).AsString(), Memo(1));
  EXPECT_EQ(check->FieldText(15), "31");
  EXPECT_TRUE(check->Fields(16).IsNull());
}

TEST_F(RecordCopyTest, TargetsWithoutACopierGetTheValuePath) {
  TTempDir dir;
  auto source = Table(FSourcePath);
  source->Open();
  auto target = Table(dir.File("OUT.DBF"));
  target->SetTableType(ttDBase);
  target->FieldDefs().Items() = {Def("NAME", ftString, 20), Def("TEL", ftString, 14)};
  target->CreateTable();
  target->Open();
  std::vector<TFieldCopy> plan(2);
  plan[0].Source = 0;
  plan[1].Source = 2;
  plan[1].Reformat = Phone;
  TRecordCopy copy(*source, *target, plan);
  EXPECT_FALSE(copy.Direct());
  source->SetRecNo(2);
  copy.AppendCurrent();
  EXPECT_EQ(target->RecordCount(), 1);
  EXPECT_EQ(target->FieldText(1), "(518) 000-0001");
  EXPECT_THROW(TRecordCopy(*source, *target, {TFieldCopy{99, {}}, TFieldCopy{}}), EDatabaseError);
}

// The copy keeps the writer lock between records: readers still see each record at once, a
// writer of another table object waits until Release.
TEST_F(RecordCopyTest, HeldWriterLockKeepsReadersCurrentAndOtherWritersWaiting) {
  TTempDir dir;
  const std::string path = MakeTarget(dir);
  auto source = Table(FSourcePath);
  source->Open();
  auto target = Table(path);
  target->Open();
  TOpenOptions opt;
  opt.Passwords = {kPassword};
  auto reader = OpenParadoxTable(path, opt);
  TRecordCopy copy(*source, *target, Plan());
  int posted = 0;
  for (source->First(); posted < 50; source->Next()) {
    copy.AppendCurrent();
    ++posted;
    reader->Refresh();
    ASSERT_EQ(reader->RecordCount(), posted);
    ASSERT_EQ(reader->Text(reader->Record(posted - 1), 1), Name(posted - 1));
  }
  auto other = OpenParadoxTable(path, opt);
  std::vector<TValue> values(17);
  values[1] = TValue::String("other writer");
  auto done = std::async(std::launch::async, [&] { other->Append(values); });
  EXPECT_EQ(done.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
  copy.Release();
  done.get();
  copy.AppendCurrent();  // takes the lock again
  reader->Refresh();
  ASSERT_EQ(reader->RecordCount(), 52);
  EXPECT_EQ(reader->Text(reader->Record(50), 1), "other writer");
  EXPECT_EQ(reader->Value(reader->Record(51), 0).Int(), 52);
}

// A process copying records is killed at many moments; every record it reported posted must be
// in the table, whole, and the table must take records again. Two rounds in three hold records
// back and report them after each Release, as the search does.
TEST_F(RecordCopyTest, CopierKilledAtAnyMomentLosesNothingPosted) {
  std::mt19937 random(20261208);
  for (int round = 0; round < 12; ++round) {
    // Some rounds hold more than a block's worth between reports, so whole blocks are queued.
    const int32_t reportEvery = round % 3 == 0 ? 1 : round % 3 == 1 ? 23 : 700;
    TTempDir dir;
    const std::string path = MakeTarget(dir);
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(pipeFds[0]);
      try {
        TSession session;
        session.SetAutoSessionName(true);
        session.Open();
        session.AddPassword(kPassword);
        TTable source, target;
        for (TTable* t : {&source, &target}) t->SetSessionName(session.SessionName());
        source.SetTableName(FSourcePath);
        target.SetTableName(path);
        source.Open();
        target.Open();
        TRecordCopy copy(source, target, Plan());
        if (reportEvery > 1) copy.HoldBack();
        for (int32_t n = 1; n <= 100000; ++n) {
          if (source.Eof()) source.First();
          copy.AppendCurrent();
          source.Next();
          if (n % reportEvery) continue;
          if (reportEvery > 1) copy.Release();
          if (::write(pipeFds[1], &n, sizeof n) != sizeof n) break;
        }
      } catch (...) {
      }
      ::_exit(0);
    }
    ::close(pipeFds[1]);
    // Kill after a varying number of reported records, a varying while after the last report.
    const int32_t waitFor = std::uniform_int_distribution<int32_t>(1, 4000)(random);
    int32_t reported = 0, n = 0;
    while (reported < waitFor && ::read(pipeFds[0], &n, sizeof n) == sizeof n) reported = n;
    ::usleep(std::uniform_int_distribution<useconds_t>(0, 2000)(random));
    ::kill(child, SIGKILL);
    while (::read(pipeFds[0], &n, sizeof n) == sizeof n) reported = n;
    ::close(pipeFds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);

    TOpenOptions opt;
    opt.Passwords = {kPassword};
    auto t = OpenParadoxTable(path, opt);
    const int64_t count = t->RecordCount();
    ASSERT_GE(count, reported) << "round " << round;
    for (int64_t r = 0; r < count; ++r) {
      const uint8_t* rec = t->Record(r);
      ASSERT_EQ(t->Value(rec, 0).Int(), r + 1) << "round " << round << " record " << r;
      const int i = static_cast<int>(r % kSourceRecords);
      ASSERT_EQ(t->Text(rec, 1), Name(i)) << "round " << round << " record " << r;
      ASSERT_EQ(t->IsNull(rec, 14) ? "" : t->Value(rec, 14).Str(), i % 7 == 3 ? "" : Memo(i))
          << "round " << round << " record " << r;
    }
    std::vector<TValue> values(17);
    values[1] = TValue::String("after");
    t->Append(values);
    EXPECT_EQ(t->RecordCount(), count + 1);
    EXPECT_EQ(t->Value(t->Record(count), 0).Int(), count + 1);
  }
}

// A held block the file cannot take fails the Release that waits for it, and the table keeps
// only what it counted before. Here the file system refuses to let the table grow past the
// middle of the fifth of five whole blocks held: every link to them and the count lie below that.
TEST_F(RecordCopyTest, HeldBlocksThatCannotBeWrittenFailTheReleaseAndLeaveTheTableWhole) {
  TTempDir dir;
  const std::string path = MakeTarget(dir);
  auto plan = Plan();
  plan[14].Source = -1;  // no memos: only the table itself grows
  auto run = [&] {
    ::signal(SIGXFSZ, SIG_IGN);
    auto source = Table(FSourcePath);
    auto target = Table(path);
    source->Open();
    target->Open();
    const TTableFileInfo info = target->FileInfo();
    const int perBlock = (info.BlockSize - 6) / info.RecordSize;
    bool failed = false;
    {
      TRecordCopy copy(*source, *target, plan);
      copy.HoldBack();
      auto copyRecords = [&](int n) {
        for (int i = 0; i < n; ++i, source->Next()) {
          if (source->Eof()) source->First();
          copy.AppendCurrent();
        }
        copy.Release();
      };
      source->First();
      copyRecords(perBlock);
      rlimit limit{static_cast<rlim_t>(std::filesystem::file_size(path)) +
                       static_cast<rlim_t>(info.BlockSize) * 9 / 2,
                   RLIM_INFINITY};
      ::setrlimit(RLIMIT_FSIZE, &limit);
      try {
        copyRecords(5 * perBlock);
      } catch (const EDatabaseError& e) {
        failed = std::string(e.what()).find("write error") != std::string::npos;
      }
      limit.rlim_cur = RLIM_INFINITY;
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    auto check = Table(path);
    check->Open();
    int64_t whole = 0;
    for (check->First(); !check->Eof(); check->Next())
      whole += check->Fields(0).AsInteger() == check->RecNo();
    return failed && check->RecordCount() == perBlock && whole == perBlock ? 0 : 1;
  };
  EXPECT_EXIT(std::exit(run()), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace lw
