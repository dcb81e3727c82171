#pragma once

// The fixture the window tests share: a program directory of their own, the message boxes
// the window shows (any unexpected error box fails the test), and the main window itself.
#include <gtest/gtest.h>

#include <memory>

#include "GuiTestSupport.h"
#include "MainForm.h"

namespace lw::test {

class TMainFormFixture : public ::testing::Test {
 protected:
  void Start() {
    Form = std::make_unique<TMainForm>(OptionsFor(Home));
    ASSERT_TRUE(Form->FormShow());
    Form->show();
  }
  void TearDown() override {
    if (Form) Form->close();
    Form.reset();
    if (!ErrorsExpected)
      for (const TMessage& m : Log.OfKind(TMessageKind::mkError))
        ADD_FAILURE() << "error box: " << m.Text.toStdString();
  }
  TTable& Results() { return *Form->SharedData()->ResultTable(); }

  TProgramHome Home;
  TMessageLog Log;
  std::unique_ptr<TMainForm> Form;
  bool ErrorsExpected = false;
};

}  // namespace lw::test
