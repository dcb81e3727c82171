#pragma once

// The wizard on Qt's offscreen platform against our HTTP server on 127.0.0.1: its own
// temporary, configuration and work directories, the message boxes it would show recorded,
// and a script of steps that run, in order, while the wizard's nested run waits for the user.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "MessageBoxes.h"
#include "TempDir.h"
#include "UpdateForm.h"
#include "UpdateSandbox.h"
#include "UpdateTestUtil.h"
#include "UpdateTree.h"

namespace lw::test {

class TWizardFixture : public TUpdateSandbox {
 protected:
  void SetUp() override {
    TUpdateSandbox::SetUp();
    if (HasFatalFailure()) return;
    FPreviousHandler = TMessageBoxes::SetHandler([this](const TMessage& m) {
      Messages.push_back(m);
      return true;
    });
    Form = std::make_unique<TUpdateForm>();
    Form->NetUpdate.ConnectedCheck = [] { return true; };
    WireScript(FScriptTimer);
  }
  void TearDown() override {
    FScriptTimer.stop();
    Form.reset();
    TMessageBoxes::SetHandler(FPreviousHandler);
    TUpdateSandbox::TearDown();
  }

  // Serves the control file, signed, and gives the wizard its settings and two variables.
  void Serve(const std::string& text, const std::string& name = "u.inf") {
    ServeSigned(name, text);
    Form->Settings.ControlUrl = Url(name);
    Form->Settings.PublicKey = PublicKey();
    Form->Variables = UpdateVariables(Form->Settings);
  }
  void Show() {
    Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
  }
  std::string Work(const std::string& name) const { return FWork.File(name); }
  const std::string& WorkDir() const { return FWork.Path(); }
  static std::string FileEntry(int i, const std::string& descr, const std::string& url,
                               const std::string& dir) {
    return "[file" + std::to_string(i) + "]\ndescr=" + descr + "\nurl=" + url +
           "\ntargetdir=" + dir + "\n";
  }

  // A step of the script: `act` runs once `ready` holds (steps run in the order given).
  void When(std::function<bool()> ready, std::function<void()> act) {
    FSteps.push_back({std::move(ready), std::move(act)});
    FScriptTimer.start();
  }
  void WhenPage(int page, std::function<void()> act) {
    When([this, page] { return Form->Page() == page; }, std::move(act));
  }
  // Presses Next on the Welcome page: the whole run happens inside. A script that gets stuck
  // for 30 s presses Cancel (and fails the test) so that the run can end.
  void RunWizard() {
    FClock.start();
    QTest::mouseClick(Form->NextBtn, Qt::LeftButton);
  }
  bool ScriptDone() const { return FSteps.empty(); }

  // An update of the program itself (app_new into the work directory, with a restart),
  // chosen on the Select page and run to the Complete page, where `atFinish` runs before
  // Finish is pressed. Returns how often the application was then asked to close.
  int RunRestartUpdate(const std::string& updater, const std::function<void()>& atFinish = {}) {
    Form->NetUpdate.UpdaterProgram = updater;
    // The steps and the form may outlive this call when the script gets stuck.
    auto closed = std::make_shared<int>(0);
    Form->OnCloseApplication = [closed] { ++*closed; };
    WriteFile(Root("app_new"), "new program");
    Serve("[update]\n[application]\nappupdate=1\nappname=" + Work("app") +
          "\nappcomps=app_new\n[files]\ncount=1\n" +
          FileEntry(1, "Program;", Url("app_new"), WorkDir()));
    Show();
    WhenPage(TUpdateForm::pgSelect, [this] {
      ClickImage(0);
      QTest::mouseClick(Form->NextBtn, Qt::LeftButton);
    });
    When([this] { return Form->Page() == TUpdateForm::pgComplete && Form->RestartAccepted(); },
         [this, closed, atFinish] {
           if (atFinish) atFinish();
           EXPECT_EQ(*closed, 0);  // nothing happens before Finish
           QTest::mouseClick(Form->CancelBtn, Qt::LeftButton);
         });
    RunWizard();
    EXPECT_TRUE(ScriptDone());
    return *closed;
  }

  std::vector<std::string> MemoLines() const {
    std::vector<std::string> lines;
    for (const QString& l : Form->ResultMemo->toPlainText().split(QLatin1Char('\n')))
      if (!l.isEmpty()) lines.push_back(l.toStdString());
    return lines;
  }
  std::string Finish() const { return Form->FinishLabel->text().toStdString(); }
  void ClickImage(int entry) {
    TUpdateTree* tree = Form->LocalTreeView;
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      tree->ImageRect(Form->UpdateNode(entry)).center());
  }
  void ClickCaption(int entry) {
    TUpdateTree* tree = Form->LocalTreeView;
    const QRect image = tree->ImageRect(Form->UpdateNode(entry));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      QPoint(image.right() + 20, image.center().y()));
  }
  // Waits (processing events) until `done` holds; false after timeoutMs.
  static bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
      if (clock.elapsed() > timeoutMs) return false;
      QTest::qWait(5);
    }
    return true;
  }

  std::unique_ptr<TUpdateForm> Form;
  std::vector<TMessage> Messages;

 private:
  struct TStep {
    std::function<bool()> Ready;
    std::function<void()> Act;
  };
  void WireScript(QTimer& timer) {
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [this] {
      if (FClock.isValid() && FClock.elapsed() > 30000 && !FSteps.empty()) {
        ADD_FAILURE() << "the wizard never reached step " << FSteps.size() << " from the end";
        FSteps.clear();
        Form->CancelAction->trigger();
        return;
      }
      if (FSteps.empty() || FRunning || !FSteps.front().Ready()) return;
      TStep step = std::move(FSteps.front());
      FSteps.pop_front();
      // A step may itself wait (a click that runs a nested loop): no re-entry meanwhile.
      FRunning = true;
      step.Act();
      FRunning = false;
    });
  }

  TMessageHandler FPreviousHandler;
  QTimer FScriptTimer;
  std::deque<TStep> FSteps;
  QElapsedTimer FClock;
  bool FRunning = false;
};

}  // namespace lw::test
