// The what's-new and licence dialogs, and the engine asking through them.
#include "UpdateDialogs.h"

#include <QTest>

#include "WizardFixture.h"

namespace lw {
namespace {

TEST(UpdateDialogsTest, WhatsNewLayoutAndAnswers) {
  TWhatsNewForm form(nullptr, {"News", "Line one\nLine two", "Go on", "Stop"});
  EXPECT_EQ(form.size(), QSize(400, 400));
  EXPECT_EQ(form.windowTitle(), "News");
  EXPECT_TRUE(form.TextMemo->isReadOnly());
  EXPECT_EQ(form.TextMemo->toPlainText(), "Line one\nLine two");
  EXPECT_EQ(form.TextMemo->geometry(), QRect(10, 10, 380, 340));
  EXPECT_EQ(form.CancelBtn->geometry().right(), form.TextMemo->geometry().right());
  EXPECT_EQ(form.OkBtn->geometry().right() + 1 + 10, form.CancelBtn->x());
  EXPECT_EQ(form.OkBtn->y(), 360);
  auto answer = [](const char* button) {
    return [button](QDialog& d) {
      QTimer::singleShot(0, &d, [&d, button] {
        QTest::mouseClick(d.findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
      });
      return d.exec() == QDialog::Accepted;
    };
  };
  const auto previous = SetUpdateDialogHook(answer("OkBtn"));
  EXPECT_TRUE(ShowWhatsNew(nullptr, {"News", "x", "Go on", "Stop"}));
  SetUpdateDialogHook(answer("CancelBtn"));
  EXPECT_FALSE(ShowWhatsNew(nullptr, {"News", "x", "Go on", "Stop"}));
  SetUpdateDialogHook(previous);
}

TEST(UpdateDialogsTest, LicenceIsAcceptedOnlyWithTheAcceptChoice) {
  TEulaForm form(nullptr, {"Licence", "Terms", "OK", "I accept", "I do not accept"});
  EXPECT_FALSE(form.AcceptRadio->isChecked());
  EXPECT_FALSE(form.DeclineRadio->isChecked());
  EXPECT_EQ(form.AcceptRadio->x(), 10);
  EXPECT_EQ(form.DeclineRadio->x(), 10 + form.AcceptRadio->width() + 20);
  EXPECT_EQ(form.OkBtn->geometry().right(), form.TextMemo->geometry().right());
  EXPECT_EQ(form.DeclineRadio->text(), "I do not accept");
  auto answer = [](const char* radio) {
    return [radio](QDialog& d) {
      QTimer::singleShot(0, &d, [&d, radio] {
        if (*radio) d.findChild<QRadioButton*>(QString::fromLatin1(radio))->setChecked(true);
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("OkBtn")), Qt::LeftButton);
      });
      return d.exec() == QDialog::Accepted;
    };
  };
  const TEulaDialog eula{"Licence", "Terms", "OK", "I accept", "I do not accept"};
  const auto previous = SetUpdateDialogHook(answer("AcceptRadio"));
  EXPECT_TRUE(ShowEula(nullptr, eula));
  SetUpdateDialogHook(answer("DeclineRadio"));
  EXPECT_FALSE(ShowEula(nullptr, eula));
  SetUpdateDialogHook(answer(""));
  EXPECT_FALSE(ShowEula(nullptr, eula));
  SetUpdateDialogHook(previous);
}

// A refused licence ends the run where it is; the wizard waits for Cancel.
using WizardDialogTest = test::TWizardFixture;
TEST_F(WizardDialogTest, RefusedLicenceStopsTheRunAndMessagesUseTheProgramBoxes) {
  test::WriteFile(Root("eula.txt"), "Terms of use");
  Serve("[update]\n[action]\nmsg=Read this\n[eula]\nfile=" + Url("eula.txt") +
        "\ncaption=Licence\n[files]\ncount=1\n" + FileEntry(1, "A;", Url("a.bin"), WorkDir()));
  std::string shownText;
  const auto previous = SetUpdateDialogHook([&](QDialog& d) {
    shownText = static_cast<TEulaForm&>(d).TextMemo->toPlainText().toStdString();
    return false;
  });
  Show();
  RunWizard();
  SetUpdateDialogHook(previous);
  EXPECT_EQ(shownText, "Terms of use");
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Caption, "Ledgerwake");
  EXPECT_EQ(Messages[0].Text, "Read this");
  EXPECT_EQ(MemoLines().back(), "[3 - 0] Closed Internet connection");
  EXPECT_EQ(Form->Page(), TUpdateForm::pgRetrieve);
  EXPECT_TRUE(Form->Updates().empty());
}

}  // namespace
}  // namespace lw
