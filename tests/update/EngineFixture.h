#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "NetUpdate.h"
#include "UpdateSandbox.h"
#include "UpdateStatus.h"
#include "UpdateTestUtil.h"

namespace lw::test {

// An engine wired to the sandbox's HTTP server, recording every status line as the memo shows it.
class TEngineFixture : public TUpdateSandbox {
 protected:
  void SetUp() override {
    TUpdateSandbox::SetUp();
    if (HasFatalFailure()) return;
    Engine.UpdateType = httpUpdate;
    Engine.UpdatePublicKey = PublicKey();
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

  // Status id of a status text (first message whose fixed part begins the text).
  static int IdOf(const std::string& text) {
    for (int id = 912; id <= 954; ++id) {
      std::string fixed = UpdateStatusText(id).Text;
      const size_t p = fixed.find("%s");
      if (p != std::string::npos) fixed.resize(p);
      if (text.rfind(fixed, 0) == 0 && (p != std::string::npos || text == fixed)) return id;
    }
    return 0;
  }

  std::string Work(const std::string& name) const { return FWork.File(name); }
  const std::string& WorkDir() const { return FWork.Path(); }
  // Serves the control file, signed, and points the engine at it.
  void Serve(const std::string& name, const std::string& text) {
    ServeSigned(name, text);
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

  TNetUpdate Engine;
  std::vector<std::string> Lines;
  std::vector<int> Ids;
  std::vector<std::string> Questions;
  bool Answer = true;
};

}  // namespace lw::test
