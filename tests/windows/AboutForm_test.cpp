// The About window's texts, logo and links, taken from the settings.
#include "AboutForm.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

#include "GuiTestSupport.h"
#include "LinkOpener.h"

namespace lw::test {
namespace {

class AboutFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TSharedDataOptions o = OptionsFor(Home);
    o.Notifier = std::make_shared<TSilentNotifier>();
    Shared = std::make_unique<TSharedData>(o);
  }
  void TearDown() override { SetLinkOpener(nullptr); }
  QString Param(const char* key) { return QString::fromStdString(Shared->Params().Value(key)); }

  TProgramHome Home{20};
  std::unique_ptr<TSharedData> Shared;
};

TEST_F(AboutFormTest, ShowsTheProductVersionAndDistributor) {
  TAboutForm about(nullptr, Shared.get());
  about.show();
  EXPECT_EQ(about.ProductNameLabel->text(), Param("prod_name") + QChar(0x00AE));
  EXPECT_EQ(about.ProductNameLabel->text(), QStringLiteral("Ledgerwake\u00AE"));
  EXPECT_EQ(about.AppVersionLabel->text(), "Version: " + ProgramFileVersion());
  EXPECT_FALSE(ProgramFileVersion().isEmpty());
  EXPECT_EQ(about.AppVersionLabel->x(), 150);
  EXPECT_FALSE(Param("dist_company").isEmpty());
  EXPECT_EQ(about.DistrCompanyURL->text(), Param("dist_company"));
  EXPECT_EQ(about.DistrCompanyURL->toolTip(), Param("dist_company") + " Home Page");
  EXPECT_EQ(about.DistrCompanyURL->Target(), Param("dist_url"));
  EXPECT_EQ(about.DistrContactLabel->text(), Param("dist_contact"));
  EXPECT_EQ(about.BtnOk->text(), QStringLiteral("Ok"));
  EXPECT_EQ(about.focusWidget(), about.BtnOk);
  EXPECT_EQ(about.size(), QSize(408, 327));
  EXPECT_EQ(about.ProductLogoURL->size(), QSize(110, 190));
  EXPECT_FALSE(about.ProductLogoURL->pixmap().isNull());
  // The distributor's link is purple, and navy under the mouse.
  EXPECT_EQ(about.DistrCompanyURL->palette().color(QPalette::WindowText), QColor(128, 0, 128));
  QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
  QApplication::sendEvent(about.DistrCompanyURL, &enter);
  EXPECT_EQ(about.DistrCompanyURL->palette().color(QPalette::WindowText), QColor(0, 0, 128));
  QTest::mouseClick(about.BtnOk, Qt::LeftButton);
  EXPECT_FALSE(about.isVisible());
}

TEST_F(AboutFormTest, TheLogoFileIsUsedOnlyWhenItIsInTheSourceRoot) {
  Shared->Params().SetValue("prod_logo", "logo.png");
  {
    TAboutForm about(nullptr, Shared.get());
    about.show();
    EXPECT_FALSE(about.LogoFromFile());
    EXPECT_FALSE(about.ProductLogoURL->pixmap().isNull());
  }
  TTempDir medium;
  QImage picture(40, 60, QImage::Format_RGB32);
  picture.fill(Qt::red);
  ASSERT_TRUE(picture.save(QString::fromStdString(medium.File("logo.png"))));
  Shared->AppInfo().AppSrcDir = medium.Path() + "/";
  TAboutForm about(nullptr, Shared.get());
  about.show();
  EXPECT_TRUE(about.LogoFromFile());
}

TEST_F(AboutFormTest, ThePictureOpensTheProductPageOrNothing) {
  std::vector<QString> opened;
  SetLinkOpener([&](const QString& target) { opened.push_back(target); });
  Shared->Params().SetValue("prod_url", "https://example.com/ledgerwake/");
  {
    TAboutForm about(nullptr, Shared.get());
    about.show();
    QTest::mousePress(about.ProductLogoURL, Qt::LeftButton);
  }
  Shared->Params().SetValue("prod_url", "");
  TAboutForm about(nullptr, Shared.get());
  about.show();
  EXPECT_EQ(about.ProductLogoURL->Target(), QString());
  QTest::mousePress(about.ProductLogoURL, Qt::LeftButton);
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], QStringLiteral("https://example.com/ledgerwake/"));
  EXPECT_EQ(opened[1], QString());
}

TEST_F(AboutFormTest, WithoutSharedDataItClosesAtOnce) {
  TAboutForm about(nullptr, nullptr);
  about.show();
  ASSERT_TRUE(WaitUntil([&] { return !about.isVisible(); }, 5000));
}

}  // namespace
}  // namespace lw::test
