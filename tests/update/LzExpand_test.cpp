// LZ ("SZDD") expansion of files made by mscompress.
#include "LzExpand.h"

#include <gtest/gtest.h>

#include "UpdateTestUtil.h"

namespace lw {
namespace {

using test::Exists;
using test::Payload;
using test::ReadFile;
using test::Shell;
using test::TTempDir;
using test::WriteFile;

TEST(LzExpandTest, ExpandsBesideItselfAndKeepsTheCompressedFile) {
  TTempDir dir;
  const std::string data = Payload(100000);
  WriteFile(dir.File("prog.dat"), data);
  ASSERT_TRUE(Shell(dir.Path(), "mscompress prog.dat && mv prog.dat_ packed.da_ && rm prog.dat"));
  WriteFile(dir.File("packed.da"), "old contents");
  EXPECT_EQ(LzExpandedName(dir.File("packed.da_")), dir.File("packed.da"));
  std::string name, error;
  ASSERT_TRUE(LzExpandFile(dir.File("packed.da_"), &name, &error)) << error;
  EXPECT_EQ(name, dir.File("packed.da"));
  EXPECT_EQ(ReadFile(name), data);  // an existing file is replaced
  EXPECT_TRUE(Exists(dir.File("packed.da_")));
}

TEST(LzExpandTest, FailuresLeaveEverythingAsItWas) {
  TTempDir dir;
  WriteFile(dir.File("a.txt"), Payload(50000));
  ASSERT_TRUE(Shell(dir.Path(), "mscompress a.txt"));
  WriteFile(dir.File("a.txt"), "old");
  const std::string packed = ReadFile(dir.File("a.txt_"));
  WriteFile(dir.File("a.txt_"), packed.substr(0, packed.size() / 2));  // cut short
  std::string error;
  EXPECT_FALSE(LzExpandFile(dir.File("a.txt_"), nullptr, &error));
  EXPECT_EQ(ReadFile(dir.File("a.txt")), "old");
  EXPECT_TRUE(Exists(dir.File("a.txt_")));
  WriteFile(dir.File("plain.tx_"), "not compressed at all");
  EXPECT_FALSE(LzExpandFile(dir.File("plain.tx_")));
  EXPECT_FALSE(Exists(dir.File("plain.tx")));
  WriteFile(dir.File("b"), packed);  // no trailing "_": it would expand onto itself
  EXPECT_FALSE(LzExpandFile(dir.File("b")));
  EXPECT_EQ(ReadFile(dir.File("b")), packed);
  EXPECT_EQ(system(("ls " + dir.Path() + " | grep -q NUPD").c_str()) == 0, false);
}

}  // namespace
}  // namespace lw
