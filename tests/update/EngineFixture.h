#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "LocalServers.h"
#include "NetUpdate.h"
#include "UpdateStatus.h"
#include "UpdateTestUtil.h"

namespace lw::test {

// An engine wired to a fresh HTTP server on 127.0.0.1 over Root(), with its own temporary
// and configuration directories, recording every status line as the memo shows it.
class TEngineFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("TMPDIR", FTmp.Path().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", FConfig.Path().c_str(), 1);
    FServer = std::make_unique<THttpServer>(FRoot.Path());
    ASSERT_TRUE(FServer->Ok()) << "the test HTTP server did not start";
    Engine.UpdateType = httpUpdate;
    Engine.ConnectedCheck = [] { return true; };
    Engine.OnStatus = [this](const std::string& text, int code, int err) {
      Lines.push_back("[" + std::to_string(code) + " - " + std::to_string(err) + "] " + text);
      Ids.push_back(IdOf(text));
    };
    Engine.OnAskQuestion = [this](const std::string& q) {
      Questions.push_back(q);
      return Answer;
    };
  }
  void TearDown() override {
    ::unsetenv("TMPDIR");
    ::unsetenv("XDG_CONFIG_HOME");
  }

  // Status id of a status text (first message whose fixed part begins the text).
  static int IdOf(const std::string& text) {
    for (int id = 912; id <= 950; ++id) {
      std::string fixed = UpdateStatusText(id).Text;
      const size_t p = fixed.find("%s");
      if (p != std::string::npos) fixed.resize(p);
      if (text.rfind(fixed, 0) == 0 && (p != std::string::npos || text == fixed)) return id;
    }
    return 0;
  }

  std::string Url(const std::string& name) const { return FServer->Url("/files/" + name); }
  std::string Root(const std::string& name) const { return FRoot.File(name); }
  std::string Work(const std::string& name) const { return FWork.File(name); }
  const std::string& WorkDir() const { return FWork.Path(); }
  // Serves the control file and points the engine at it.
  void Serve(const std::string& name, const std::string& text) {
    WriteFile(Root(name), text);
    Engine.URL = Url(name);
  }
  std::string AllLines() const {
    std::string s;
    for (const std::string& l : Lines) s += l + "\n";
    return s;
  }
  bool NoPartFilesIn(const std::string& dir) const {
    return std::system(("ls -a '" + dir + "' | grep -q NUPD").c_str()) != 0;
  }

  TTempDir FRoot, FWork, FTmp, FConfig;
  std::unique_ptr<THttpServer> FServer;
  TNetUpdate Engine;
  std::vector<std::string> Lines;
  std::vector<int> Ids;
  std::vector<std::string> Questions;
  bool Answer = true;
};

}  // namespace lw::test
