// The Updates action: the wizard it opens, with the two variables, and its end.
#include <QApplication>
#include <QTimer>

#include "MainFormFixture.h"
#include "SettingsKeys.h"
#include "UpdateForm.h"

namespace lw {
namespace {

using UpdateActionTest = test::TMainFormFixture;

TEST_F(UpdateActionTest, OpensTheWizardModallyWithItsVariablesAndDestroysItAfter) {
  Start();
  Form->SharedData()->Params().SetValue(keys::kProductUpdateUrl, "http://127.0.0.1:9/u.inf");
  ASSERT_TRUE(Form->UpdateAction->isEnabled());
  std::vector<std::string> variables;
  QString caption;
  bool modal = false;
  int page = -1;
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* wizard = Form->findChild<TUpdateForm*>();
    if (!wizard || !wizard->isVisible()) return;
    poll.stop();
    variables = wizard->Variables;
    caption = wizard->windowTitle();
    modal = QApplication::activeModalWidget() == wizard;
    page = wizard->Page();
    // Out through Cancel and Finish, the only way.
    wizard->CancelBtn->click();
    wizard->CancelBtn->click();
  });
  poll.start();
  Form->UpdateAction->trigger();
  EXPECT_EQ(variables,
            (std::vector<std::string>{"br=\r\n", "prod_dupdateurl=http://127.0.0.1:9/u.inf"}));
  EXPECT_EQ(caption, "Ledgerwake - Updatewarden");
  EXPECT_TRUE(modal);
  EXPECT_EQ(page, TUpdateForm::pgWelcome);
  EXPECT_EQ(Form->findChild<TUpdateForm*>(), nullptr);
  EXPECT_TRUE(Form->isVisible());
}

}  // namespace
}  // namespace lw
