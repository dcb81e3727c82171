#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "LocalServers.h"
#include "Minisign.h"
#include "UpdateTestUtil.h"

namespace lw::test {

// What every update test runs in: a fresh HTTP server on 127.0.0.1 over Root(), a work
// directory, and temporary and configuration directories of its own (TMPDIR,
// XDG_CONFIG_HOME), so that remembered values and NUPD files never leave the test.
class TUpdateSandbox : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("TMPDIR", FTmp.Path().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", FConfig.Path().c_str(), 1);
    FServer = std::make_unique<THttpServer>(FRoot.Path());
    ASSERT_TRUE(FServer->Ok()) << "the test HTTP server did not start";
  }
  void TearDown() override {
    ::unsetenv("TMPDIR");
    ::unsetenv("XDG_CONFIG_HOME");
  }

  std::string Url(const std::string& name) const { return FServer->Url("/files/" + name); }
  // The key the served control files are signed with (one per test process).
  static const TMinisignKeyPair& Key() {
    static const TMinisignKeyPair key = GenerateMinisignKeyPair();
    return key;
  }
  // The key's base64 line, as a setup file holds it.
  static std::string PublicKey() {
    const std::string pub = FormatMinisignPublicKey(Key().Public);
    const size_t line = pub.find('\n') + 1;
    return pub.substr(line, pub.find('\n', line) - line);
  }
  static std::string Signature(const std::string& text, const std::string& comment) {
    return FormatMinisignSignature(SignMinisign(text, Key().Secret, comment));
  }
  // Serves `text` as the control file `name` with its signature beside it.
  void ServeSigned(const std::string& name, const std::string& text) {
    WriteFile(Root(name), text);
    const std::string file = name.substr(name.rfind('/') + 1);
    WriteFile(Root(name + ".minisig"), Signature(text, "timestamp:0\tfile:" + file));
  }
  std::string Root(const std::string& name) const { return FRoot.File(name); }
  // An installation in the work directory as a package leaves it: usr/bin/ (returned, with
  // trailing '/'), usr/share/ledgerwake/ and usr/libexec/ledgerwake/.
  std::string InstalledBin() const {
    namespace fs = std::filesystem;
    for (const char* dir : {"usr/bin", "usr/share/ledgerwake", "usr/libexec/ledgerwake"})
      fs::create_directories(FWork.File(dir));
    return fs::canonical(FWork.File("usr/bin")).string() + "/";
  }

  TTempDir FRoot, FWork, FTmp, FConfig;
  std::unique_ptr<THttpServer> FServer;
};

}  // namespace lw::test
