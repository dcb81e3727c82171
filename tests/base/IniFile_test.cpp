// INI files: the Windows reading rules, and writes that go to disk at once and leave every
// other line of the file as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "IniFile.h"
#include "TempDir.h"

namespace lw {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

class IniTest : public ::testing::Test {
 protected:
  std::string Path() const { return FDir.File("test.ini"); }
  test::TTempDir FDir;
};

TEST_F(IniTest, ReadingRules) {
  WriteAll(Path(),
           "orphan=before any section\r\n"
           "[Product]\r\n"
           "  Name  =  Ledgerwake  \r\n"
           "quoted=\"  spaced  \"\r\n"
           "single='x'\r\n"
           "mixed=\"x'\r\n"
           "empty=\r\n"
           ";comment=hidden\r\n"
           "url=http://a/b?c=d;e\r\n"
           "name=second copy\r\n"
           "[ spaced section ]\n"
           "k=lf line\r"
           "[product]\n"
           "only=in the second copy\n"
           "[Broken\n"
           "z=1");
  TIniFile ini(Path());
  EXPECT_EQ(ini.ReadString("PRODUCT", "NAME", "def"), "Ledgerwake");  // case and blanks
  EXPECT_EQ(ini.ReadString("Product", "quoted", ""), "  spaced  ");   // one pair stripped
  EXPECT_EQ(ini.ReadString("Product", "single", ""), "x");
  EXPECT_EQ(ini.ReadString("Product", "mixed", ""), "\"x'");
  EXPECT_EQ(ini.ReadString("Product", "empty", "def"), "");  // present but empty
  EXPECT_EQ(ini.ReadString("Product", ";comment", "def"), "def");
  EXPECT_EQ(ini.ReadString("Product", "url", ""), "http://a/b?c=d;e");  // first '=' splits
  EXPECT_EQ(ini.ReadString("Product", "missing", "def"), "def");
  EXPECT_EQ(ini.ReadString("", "orphan", "def"), "def");  // keys before a section: unreachable
  EXPECT_EQ(ini.ReadString("spaced section", "k", ""), "lf line");  // LF and CR line ends
  EXPECT_EQ(ini.ReadString("product", "only", "def"), "def");       // only the first copy counts
  EXPECT_EQ(ini.ReadString("Broken", "z", ""), "1");                // header without ']'
  EXPECT_EQ(
      ini.ReadSection("Product"),
      (std::vector<std::string>{"Name", "quoted", "single", "mixed", "empty", "url", "name"}));
  EXPECT_EQ(ini.ReadString("nofile", "k", "d"), "d");
  EXPECT_EQ(TIniFile(FDir.File("absent.ini")).ReadString("a", "b", "d"), "d");
}

TEST_F(IniTest, ValuesAreCutAt2047Characters) {
  WriteAll(Path(), "[s]\nk=" + std::string(3000, 'v') + "\n");
  EXPECT_EQ(TIniFile(Path()).ReadString("s", "k", "").size(), 2047u);
}

TEST_F(IniTest, IntegersAndBooleans) {
  WriteAll(Path(), "[s]\nn=42\nneg=-7\nbad=12abc\nhex=0x1F\non=1\noff=0\n");
  TIniFile ini(Path());
  EXPECT_EQ(ini.ReadInteger("s", "n", 0), 42);
  EXPECT_EQ(ini.ReadInteger("s", "neg", 0), -7);
  EXPECT_EQ(ini.ReadInteger("s", "bad", 5), 5);
  EXPECT_EQ(ini.ReadInteger("s", "hex", 0), 31);
  EXPECT_EQ(ini.ReadInteger("s", "none", 9), 9);
  EXPECT_TRUE(ini.ReadBool("s", "on", false));
  EXPECT_FALSE(ini.ReadBool("s", "off", true));
  EXPECT_TRUE(ini.ReadBool("s", "none", true));
}

TEST_F(IniTest, WritesEditOnlyTheAffectedLines) {
  const std::string original =
      "; settings of the grid\r\n"
      "[Grid View]\r\n"
      "Col1=A;10\r\n"
      "\r\n"
      "; trailing comment\r\n"
      "\r\n"
      "[Application]\n"
      "DataDir = /old/\n"
      "junk line without equals\n";
  WriteAll(Path(), original);
  TIniFile ini(Path());
  ini.WriteString("grid view", "Col2", "B;20");  // new key after the last key line
  ini.WriteString("GRID VIEW", "col2", "B;25");  // replaced in place, file spelling kept
  ini.WriteString("application", "datadir", "/new/");
  ini.WriteString("Record View", "Width", "300");  // new section appended
  EXPECT_EQ(ReadAll(Path()),
            "; settings of the grid\r\n"
            "[Grid View]\r\n"
            "Col1=A;10\r\n"
            "Col2=B;25\r\n"
            "\r\n"
            "; trailing comment\r\n"
            "\r\n"
            "[Application]\n"
            "DataDir=/new/\n"
            "junk line without equals\n"
            "[Record View]\r\n"
            "Width=300\r\n");
  // Each write is on disk at once: a second object sees it without any flush.
  EXPECT_EQ(TIniFile(Path()).ReadString("Record View", "width", ""), "300");
}

TEST_F(IniTest, WritingIntoFilesWithoutFinalLineBreakOrMissing) {
  WriteAll(Path(), "[a]\nk=1");
  TIniFile ini(Path());
  ini.WriteString("a", "m", "2");
  ini.WriteString("b", "n", "3");
  EXPECT_EQ(ReadAll(Path()), "[a]\nk=1\r\nm=2\r\n[b]\r\nn=3\r\n");

  TIniFile fresh(FDir.File("new.ini"));
  fresh.WriteString("Application", "proxyhost", "");
  EXPECT_EQ(ReadAll(FDir.File("new.ini")), "[Application]\r\nproxyhost=\r\n");
}

TEST_F(IniTest, LineBreaksInValuesCannotInjectLines) {
  TIniFile ini(Path());
  ini.WriteString("Application", "proxyhost", "evil\r\n[Application]\r\ndatadir=/tmp/");
  EXPECT_EQ(ini.ReadSection("Application"), std::vector<std::string>{"proxyhost"});
}

TEST_F(IniTest, DeleteKeyAndEraseSection) {
  WriteAll(
      Path(),
      "[Keep]\r\nx=1\r\n[Grid View]\r\n; about columns\r\nCol1=a\r\nCol2=b\r\n[Tail]\r\ny=2\r\n");
  TIniFile ini(Path());
  ini.DeleteKey("grid view", "col1");
  ini.DeleteKey("grid view", "nothere");
  EXPECT_EQ(ini.ReadSection("Grid View"), std::vector<std::string>{"Col2"});
  ini.EraseSection("GRID VIEW");
  EXPECT_FALSE(ini.SectionExists("Grid View"));
  EXPECT_EQ(ReadAll(Path()), "[Keep]\r\nx=1\r\n; about columns\r\n[Tail]\r\ny=2\r\n");
  ini.EraseSection("absent");
  ini.DeleteKey("x", "y");
  EXPECT_FALSE(TIniFile(FDir.File("none.ini")).SectionExists("a"));
}

TEST_F(IniTest, FailedWriteNamesTheFile) {
  TIniFile ini(FDir.File("no/such/dir/x.ini"));
  try {
    ini.WriteString("s", "k", "v");
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + FDir.File("no/such/dir/x.ini"));
  }
}

// A read-only file, or a file in a read-only directory, is left exactly as it was (contents,
// mode, group) and the write fails, as on Windows; root is refused the same way.
TEST_F(IniTest, ReadOnlyFilesAndDirectoriesAreNotReplaced) {
  const std::string text = "[Application]\r\ndatadir=/old/\r\n";
  WriteAll(Path(), text);
  auto expectRefused = [&](const char* what) {
    SCOPED_TRACE(what);
    try {
      TIniFile(Path()).WriteString("Application", "datadir", "/new/");
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()), "Unable to write to " + Path());
    }
    EXPECT_EQ(ReadAll(Path()), text);
  };
  ASSERT_EQ(::chmod(Path().c_str(), 0444), 0);
  expectRefused("read-only file");
  struct stat st {};
  ::stat(Path().c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0444u);

  ASSERT_EQ(::chmod(Path().c_str(), 0644), 0);
  const std::string dir = Path().substr(0, Path().rfind('/'));
  ASSERT_EQ(::chmod(dir.c_str(), 0555), 0);
  expectRefused("read-only directory");
  ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);

  // A writable file keeps its group (when this user may give it another one).
  if (::chown(Path().c_str(), static_cast<uid_t>(-1), 1) == 0) {
    TIniFile(Path()).WriteString("Application", "datadir", "/new/");
    ::stat(Path().c_str(), &st);
    EXPECT_EQ(st.st_gid, 1u);
  }
}

TEST_F(IniTest, ByteOrderMarks) {
  // UTF-8: not recognised, so the first line's section is not found; the bytes survive writes.
  WriteAll(Path(), "\xEF\xBB\xBF[App]\r\nk=v\r\n[B]\r\nm=n\r\n");
  TIniFile utf8(Path());
  EXPECT_EQ(utf8.ReadString("App", "k", "def"), "def");
  EXPECT_EQ(utf8.ReadString("B", "m", ""), "n");
  utf8.WriteString("B", "m", "o");
  EXPECT_EQ(ReadAll(Path()), "\xEF\xBB\xBF[App]\r\nk=v\r\n[B]\r\nm=o\r\n");

  // UTF-16LE with its mark: read, and written back in the same encoding.
  auto utf16 = [](const std::string& ascii, const std::string& tail = "") {
    std::string out = "\xFF\xFE";
    for (char c : ascii) out += std::string{c, '\0'};
    return out + tail;
  };
  // "name=" then U+00FC, U+00DF and U+1F600 (a surrogate pair), then CRLF.
  WriteAll(Path(),
           utf16("[App]\r\nname=") + std::string("\xFC\0\xDF\0\x3D\xD8\x00\xDE\r\0\n\0", 12));
  TIniFile wide(Path());
  EXPECT_EQ(wide.ReadString("app", "name", ""), "\xC3\xBC\xC3\x9F\xF0\x9F\x98\x80");
  wide.WriteString("App", "x", "1");
  EXPECT_EQ(ReadAll(Path()), utf16("[App]\r\nname=") +
                                 std::string("\xFC\0\xDF\0\x3D\xD8\x00\xDE\r\0\n\0", 12) +
                                 utf16("x=1\r\n").substr(2));
}

}  // namespace
}  // namespace lw
