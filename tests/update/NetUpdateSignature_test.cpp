// Signed control files: keys and signatures made by minisign in the test.
#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "Minisign.h"

namespace lw {
namespace {

using test::ReadFile;
using test::Shell;
using test::TEngineFixture;
using test::WriteFile;

class SignatureTest : public TEngineFixture {
 protected:
  void SetUp() override {
    TEngineFixture::SetUp();
    ASSERT_TRUE(Shell(WorkDir(), "minisign -G -W -p k.pub -s k.sec")) << "minisign is needed";
    ASSERT_TRUE(Shell(WorkDir(), "minisign -G -W -p other.pub -s other.sec"));
    Engine.UpdatePublicKey = ReadFile(Work("k.pub"));
  }
  void Sign(const std::string& file, const std::string& options = "") {
    ASSERT_TRUE(Shell(WorkDir(), "minisign -S " + options + " -s k.sec -m " + file));
  }
};

TEST_F(SignatureTest, VerifierAcceptsBothFormatsAndRejectsTampering) {
  WriteFile(Work("data"), "signed bytes");
  Sign("data");
  std::string error;
  const std::string key = ReadFile(Work("k.pub"));
  const std::string keyLine = key.substr(key.find('\n') + 1);
  EXPECT_TRUE(VerifyMinisign("signed bytes", ReadFile(Work("data.minisig")), key, error)) << error;
  EXPECT_TRUE(VerifyMinisign("signed bytes", ReadFile(Work("data.minisig")), keyLine, error));
  EXPECT_FALSE(VerifyMinisign("signed bytez", ReadFile(Work("data.minisig")), key, error));
  EXPECT_FALSE(VerifyMinisign("signed bytes", ReadFile(Work("data.minisig")),
                              ReadFile(Work("other.pub")), error));
  std::string sig = ReadFile(Work("data.minisig"));
  const size_t comment = sig.find("\ntrusted comment: ") + 18;
  sig.insert(comment, "x");  // the trusted comment is signed too
  EXPECT_FALSE(VerifyMinisign("signed bytes", sig, key, error));
  EXPECT_FALSE(VerifyMinisign("signed bytes", "garbage", key, error));
  Sign("data", "-l");  // the legacy format
  EXPECT_TRUE(VerifyMinisign("signed bytes", ReadFile(Work("data.minisig")), key, error)) << error;
}

TEST_F(SignatureTest, RunNeedsAValidSignatureBeforeActing) {
  const std::string control = "[update]\n[action]\nrunbefore=touch " + Work("acted") + "\n";
  Serve("u.inf", control);
  Engine.DoUpdate();  // no signature at all
  EXPECT_EQ(Ids, (std::vector<int>{918, 921, 915, 926, 927, 949})) << AllLines();
  EXPECT_FALSE(test::Exists(Work("acted")));
  WriteFile(Work("u.inf"), control);
  Sign("u.inf");
  WriteFile(Root("u.inf.minisig"), ReadFile(Work("u.inf.minisig")));
  WriteFile(Root("u.inf"), control + "; one more line\n");  // signed text changed afterwards
  Ids.clear();
  Engine.DoUpdate();
  EXPECT_EQ(Ids, (std::vector<int>{918, 921, 915, 926, 927, 949})) << AllLines();
  WriteFile(Root("u.inf"), control);
  Ids.clear();
  Engine.DoUpdate();
  EXPECT_EQ(Ids, (std::vector<int>{918, 921, 915, 926, 929, 948, 949})) << AllLines();
  for (int i = 0; i < 100 && !test::Exists(Work("acted")); ++i) ::usleep(20000);
  EXPECT_TRUE(test::Exists(Work("acted")));
  // A signature made for another file name is a replay: refused.
  WriteFile(Work("other.inf"), control);
  Sign("other.inf");
  WriteFile(Root("u.inf.minisig"), ReadFile(Work("other.inf.minisig")));
  Ids.clear();
  Engine.DoUpdate();
  EXPECT_EQ(Ids, (std::vector<int>{918, 921, 915, 926, 927, 949})) << AllLines();
  // Without a configured key nothing is asked of the server, and over plain http the command
  // is refused.
  Engine.UpdatePublicKey.clear();
  ::unlink(Root("u.inf.minisig").c_str());
  ::unlink(Work("acted").c_str());
  Ids.clear();
  Engine.DoUpdate();
  EXPECT_EQ(Ids, (std::vector<int>{918, 921, 915, 926, 929, 952, 948, 949})) << AllLines();
  EXPECT_FALSE(test::Exists(Work("acted")));
  EXPECT_EQ(Engine.Failures(), 1);
}

}  // namespace
}  // namespace lw
