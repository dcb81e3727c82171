// The control file's keys, path expansion, dates and the version test.
#include "ControlFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "PathExpand.h"
#include "UpdateDate.h"
#include "UpdateTestUtil.h"
#include "Versions.h"

namespace lw {
namespace {

using test::TTempDir;
using test::VersionedBytes;
using test::WriteFile;

std::string Expand(const std::string& v) {
  return ExpandPath(v, nullptr, DefaultPrefixDirectory);
}

TEST(ControlFileTest, DefaultsTypesAndLineBreaks) {
  TControlFile c(
      "; comment\r\n[Update]\r\nNewSize=12x\r\nnewchecksum=oops\r\n"
      "[action]\r\nmsg=Line one\\nLine two\r\nupdateurl=http://h/next.inf\r\n"
      "[application]\r\nappupdate=2\r\nsilentrestart=1\r\n"
      "[file2]\r\nurl={APP}\\a.bin\r\ntargetdir=sub\r\ncompressed=1\r\n",
      Expand);
  const TUpdateCriteria u = c.UpdateCriteria();
  EXPECT_EQ(u.NewSize, 0);       // not a number: the default
  EXPECT_EQ(u.NewChecksum, -1);  // likewise
  EXPECT_EQ(c.Msg(), "Line one\rLine two");
  EXPECT_EQ(c.UpdateURL(), "http://h/next.inf");
  EXPECT_FALSE(c.AppUpdate());  // only 1 means an application update
  EXPECT_TRUE(c.SilentRestart());
  EXPECT_EQ(c.WhatsNewOkBtn(), "Ok");
  EXPECT_EQ(c.WhatsNewCancelBtn(), "Cancel");
  EXPECT_EQ(c.EulaAccept(), "I accept");
  EXPECT_EQ(c.EulaDecline(), "I do not accept");
  EXPECT_EQ(c.FilesCount(), "");
  const TFileEntry f = c.File(2);
  EXPECT_EQ(LocalPath(f.Url), Expand("{APP}") + "/a.bin");
  EXPECT_EQ(f.TargetDir, "sub\\");
  EXPECT_TRUE(f.Compressed);
  EXPECT_TRUE(c.File(1).Url.empty());
}

TEST(ControlFileTest, LicenceChoicesKeepTheirOwnLabels) {
  TControlFile a("[eula]\r\naccept=Yes, I agree\r\n", Expand);
  EXPECT_EQ(a.EulaAccept(), "Yes, I agree");
  EXPECT_EQ(a.EulaDecline(), "I do not accept");
  TControlFile d("[eula]\r\naccept=Ja\r\ndecline=Nein\r\n", Expand);
  EXPECT_EQ(d.EulaDecline(), "Nein");
}

TEST(ControlFileTest, CountIsANumberBoundByTheSectionsPresent) {
  try {
    TControlFile("[files]\ncount=two\n", nullptr).FileCount();
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "'two' is not a valid integer value");
  }
  const std::string entries = "[file1]\nurl=a\n[FILE3]\nurl=c\n[file07]\n[file9x]\n";
  const struct {
    const char* Count;
    int Expected;
  } cases[] = {{" 3 ", 3}, {"2", 2}, {"2147483647", 3}, {"-5", 0}};
  for (const auto& c : cases)
    EXPECT_EQ(TControlFile("[files]\ncount=" + std::string(c.Count) + "\n" + entries, nullptr)
                  .FileCount(),
              c.Expected)
        << c.Count;
}

TEST(PathExpandTest, GroupsNormalisationAndConvertEvent) {
  EXPECT_EQ(NormalisePrefixDirectory("C:\\WINDOWS"), "C:\\WINDOWS");
  EXPECT_EQ(NormalisePrefixDirectory("C:\\"), "C:\\.");
  EXPECT_EQ(NormalisePrefixDirectory("\\\\server\\share\\dir"), "\\\\server\\share\\dir\\.");
  EXPECT_EQ(NormalisePrefixDirectory("/home/u"), "/home/u/.");
  char cwd[4096];
  ASSERT_TRUE(::getcwd(cwd, sizeof cwd));
  EXPECT_EQ(Expand("{app}\\data"), std::string(cwd) + "/.\\data");
  EXPECT_EQ(Expand("{APP}\\data"), Expand("{app}\\data"));
  EXPECT_EQ(Expand("{XYZ}\\data"), "{XYZ}\\data");
  EXPECT_EQ(Expand("{XYZ}{WIN}"), "{XYZ}/etc/.");
  EXPECT_EQ(Expand("open {TMP"), "open {TMP");
  // A directory whose name holds a group is inserted once, not expanded forever.
  auto loop = [](const std::string& n) { return n == "APP" ? std::string("/x/{APP}") : ""; };
  EXPECT_EQ(ExpandPath("{APP}/f", nullptr, loop), "/x/{APP}/./f");
  // The owner's rewrite comes first and may produce groups.
  auto convert = [](std::string& p) {
    if (p == "<dir>") p = "{TMP}";
  };
  EXPECT_EQ(ExpandPath("<dir>", convert, [](const std::string&) { return std::string("/t"); }),
            "/t/.");
}

TEST(UpdateDateTest, FormatOrderAndValidity) {
  const auto d = ParseUpdateDate("31/12/2001", "dd/mm/yyyy", '/');
  ASSERT_TRUE(d);
  EXPECT_TRUE(kNoUpdateDate < *d);
  EXPECT_FALSE((TUpdateDate{2002, 1, 1} < *d));
  EXPECT_FALSE(ParseUpdateDate("2001-12-31", "dd/mm/yyyy", '/'));
  EXPECT_FALSE(ParseUpdateDate("31/02/2001", "dd/mm/yyyy", '/'));
  EXPECT_EQ(*ParseUpdateDate("12/31/99", "mm/dd/yyyy", '/'), (TUpdateDate{1999, 12, 31}));
  EXPECT_EQ(FormatShortDate(*d), "2001-12-31");
  EXPECT_EQ(*ParseShortDate("2001-12-31"), *d);
}

// Every row of the criteria table a control file can express.
TEST(CheckVersionsTest, CriteriaTable) {
  TTempDir dir;
  const std::string v7 = dir.File("v7"), v10 = dir.File("v10"), none = dir.File("none");
  const std::string abc = dir.File("abc"), empty = dir.File("empty"), s999 = dir.File("s999");
  WriteFile(v7, VersionedBytes("1.2.0.7"));
  WriteFile(v10, VersionedBytes("1.2.1.0"));
  WriteFile(abc, "abc");
  WriteFile(empty, "");
  WriteFile(s999, std::string(999, 'x'));
  EXPECT_TRUE(CheckVersions("", v7, -1, 0));         // no criterion
  EXPECT_TRUE(CheckVersions("9.9.9.9", "", -1, 0));  // no local file named
  EXPECT_TRUE(CheckVersions("1.2.0.8", v7, -1, 0));
  EXPECT_FALSE(CheckVersions("1.2.0.8", v10, -1, 0));
  EXPECT_FALSE(CheckVersions("1.2.0.7", v7, -1, 0));
  EXPECT_TRUE(CheckVersions("1,2,0,8", v7, -1, 0));
  EXPECT_FALSE(CheckVersions("2.1", v7, -1, 0));       // not four numbers: absent
  EXPECT_TRUE(CheckVersions("0.0.0.1", none, -1, 0));  // missing file is (-1, -1)
  EXPECT_FALSE(CheckVersions("", none, -1, 1000));
  EXPECT_FALSE(CheckVersions("", empty, -1, 1000));
  EXPECT_TRUE(CheckVersions("", s999, -1, 1000));
  EXPECT_FALSE(CheckVersions("", s999, -1, 999));
  EXPECT_EQ(FileChecksum(abc), 293);
  EXPECT_EQ(FileChecksum(none), -1);
  EXPECT_FALSE(CheckVersions("", abc, 293, 0));
  EXPECT_TRUE(CheckVersions("", abc, 294, 0));
  EXPECT_FALSE(CheckVersions("", s999, 1, 999));  // with a size, the size alone decides
  EXPECT_TRUE(CheckVersions("1.2.0.8", v7, FileChecksum(v7), 0));  // a newer version still wins
  // Signed comparison: a major version of 32768 is negative and never newer.
  EXPECT_FALSE(CheckVersions("32768.0.0.0", v7, -1, 0));
}

TEST(CheckVersionsTest, KindsOfUpdate) {
  EXPECT_EQ(UpdateKindOf("1/1/2001", "1.0.0.0", "f", 5, 5), TUpdateKind::Date);
  EXPECT_EQ(UpdateKindOf("", "1.0.0.0", "", -1, 0), TUpdateKind::None);
  EXPECT_EQ(UpdateKindOf("", "", "f", -1, 0), TUpdateKind::None);
  EXPECT_EQ(UpdateKindOf("", "", "f", 7, 10), TUpdateKind::Checksum);
  EXPECT_EQ(UpdateKindOf("", "1.0.0.0", "f", -1, 0), TUpdateKind::Version);
  EXPECT_EQ(UpdateKindOf("", "", "f", -1, 10), TUpdateKind::FileSize);
}

}  // namespace
}  // namespace lw
