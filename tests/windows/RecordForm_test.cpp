// The record view over a real result table: its lines, links, navigator and layout.
#include "RecordForm.h"

#include <gtest/gtest.h>

#include <QPointer>
#include <QTest>

#include "Criteria.h"
#include "DataSource.h"
#include "GuiTestSupport.h"
#include "IniFile.h"
#include "LinkOpener.h"
#include "TableThread.h"

namespace lw::test {
namespace {

class RecordFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TSharedDataOptions o = OptionsFor(Home);
    o.Notifier = std::make_shared<TSilentNotifier>();
    Shared = std::make_unique<TSharedData>(o);
    ASSERT_TRUE(Shared->ErrorText().empty()) << Shared->ErrorText();
    // Every sample record into the result table, as a search without criteria does.
    auto worker = std::make_shared<TTableThread>(true, Shared.get());
    std::string failure;
    worker->SetOnDisplay([&](TThreadAction action, int, int, int, int, const std::string& m) {
      if (action == taError) failure = m;
    });
    FillCriteria(TCriteriaInputs{}, worker->Criteria());
    worker->Resume();
    worker->WaitFor();
    worker.reset();
    ASSERT_EQ(failure, "");
    Results().Refresh();
    ASSERT_EQ(Results().RecordCount(), 200);
    Source.SetDataSet(&Results());
    Results().First();
  }
  void TearDown() override {
    delete Form;
    SetLinkOpener(nullptr);
  }
  TRecordForm& Open() {
    Form = new TRecordForm(nullptr, Shared.get(), &Source);
    Form->setAttribute(Qt::WA_DeleteOnClose, false);
    Form->setWindowTitle("Ledgerwake - Record View");
    Form->show();
    return *Form;
  }
  TTable& Results() { return *Shared->ResultTable(); }
  QString Field(const char* name) {
    return QString::fromStdString(Results().FieldByName(name).AsString());
  }

  TProgramHome Home{200};
  std::unique_ptr<TSharedData> Shared;
  TDataSource Source;
  TRecordForm* Form = nullptr;
};

TEST_F(RecordFormTest, LinesComeFromTheRecordViewSection) {
  Results().SetRecNo(3);
  TRecordForm& f = Open();
  EXPECT_EQ(f.CompanyLabel->text(), Field("COMPANY"));
  EXPECT_EQ(f.Address1Label->text(), Field("ADDRESS"));
  EXPECT_EQ(f.Address2Label->text(), Field("CITY") + ", " + Field("STATE") + " " + Field("ZIP"));
  // The search stored the numbers formatted already; the view leaves them as they are.
  EXPECT_EQ(f.TelLabel->text(), Field("TELEPHONE"));
  EXPECT_EQ(f.ContactLabel->text(), Field("CONTACT-LAST") + ", " + Field("CONTACT-FIRST"));
  EXPECT_EQ(f.EmployeesLabel->text(), Field("EMPLOYEES"));
  EXPECT_EQ(f.SalesLabel->text(), Field("ANNUAL SALES"));
  EXPECT_EQ(f.SICDescLabel->text(), Field("SIC DESCRIPTION"));
  EXPECT_EQ(f.SICLabel->text(), Field("SIC"));
  EXPECT_EQ(f.SIC2Label->text(), Field("SIC 2") + ", " + Field("SIC 3"));
  EXPECT_EQ(f.EmailLabel->text(), Field("E-MAIL"));
  EXPECT_EQ(f.EmailLabel->Target(), "mailto: " + Field("E-MAIL"));
  EXPECT_EQ(f.WebLabel->Target(), Field("WEB SITE"));
}

TEST_F(RecordFormTest, WithoutTheSectionEveryLineIsEmpty) {
  TIniFile(Home.ConfigFile()).EraseSection("Record View");
  TRecordForm& f = Open();
  for (QLabel* l :
       {f.CompanyLabel, f.Address1Label, f.Address2Label, f.TelLabel, f.FaxLabel,
        static_cast<QLabel*>(f.EmailLabel), static_cast<QLabel*>(f.WebLabel), f.ContactLabel,
        f.Contact2Label, f.EmployeesLabel, f.SalesLabel, f.SICDescLabel, f.SICLabel, f.SIC2Label})
    EXPECT_TRUE(l->text().isEmpty()) << l->text().toStdString();
}

TEST_F(RecordFormTest, APositionBeyondTheLastFieldEmptiesTheLinesAfterIt) {
  TIniFile(Home.ConfigFile()).WriteInteger("Record View", "Col6", 500);
  TRecordForm& f = Open();
  EXPECT_FALSE(f.CompanyLabel->text().isEmpty());
  EXPECT_FALSE(f.Address1Label->text().isEmpty());
  EXPECT_FALSE(f.Address2Label->text().isEmpty());
  EXPECT_TRUE(f.TelLabel->text().isEmpty());
  EXPECT_TRUE(f.FaxLabel->text().isEmpty());
  EXPECT_TRUE(f.SICLabel->text().isEmpty());
}

TEST_F(RecordFormTest, TheSettingsAreReadAgainAtEveryShowing) {
  TRecordForm& f = Open();
  EXPECT_FALSE(f.CompanyLabel->text().isEmpty());
  f.hide();
  TIniFile(Home.ConfigFile()).WriteInteger("Record View", "Col1", -1);
  f.show();
  EXPECT_TRUE(f.CompanyLabel->text().isEmpty());
}

TEST_F(RecordFormTest, TheNavigatorMovesTheSharedCursorAndRefills) {
  TRecordForm& f = Open();
  EXPECT_FALSE(f.DBNavigator->Button(nbFirst)->isEnabled());
  EXPECT_FALSE(f.DBNavigator->Button(nbPrior)->isEnabled());
  EXPECT_TRUE(f.DBNavigator->Button(nbNext)->isEnabled());
  QTest::mouseClick(f.DBNavigator->Button(nbNext), Qt::LeftButton);
  EXPECT_EQ(Results().RecNo(), 2);
  EXPECT_EQ(f.CompanyLabel->text(), Field("COMPANY"));
  QTest::mouseClick(f.DBNavigator->Button(nbLast), Qt::LeftButton);
  EXPECT_EQ(Results().RecNo(), 200);
  EXPECT_EQ(f.CompanyLabel->text(), Field("COMPANY"));
  EXPECT_FALSE(f.DBNavigator->Button(nbNext)->isEnabled());
  EXPECT_TRUE(f.DBNavigator->Button(nbPrior)->isEnabled());
  QTest::mouseClick(f.DBNavigator->Button(nbPrior), Qt::LeftButton);
  EXPECT_EQ(Results().RecNo(), 199);
  QTest::mouseClick(f.DBNavigator->Button(nbFirst), Qt::LeftButton);
  EXPECT_EQ(Results().RecNo(), 1);
  // A move made elsewhere does not refresh the card.
  const QString shown = f.CompanyLabel->text();
  Results().SetRecNo(50);
  EXPECT_EQ(f.CompanyLabel->text(), shown);
}

TEST_F(RecordFormTest, LinksLightUpUnderTheMouseAndOpenTheirTargetOnPress) {
  std::vector<QString> opened;
  SetLinkOpener([&](const QString& target) { opened.push_back(target); });
  TRecordForm& f = Open();
  TLinkLabel* mail = f.EmailLabel;
  EXPECT_TRUE(mail->font().underline());
  EXPECT_EQ(mail->cursor().shape(), Qt::PointingHandCursor);
  const QColor normal = mail->palette().color(QPalette::WindowText);
  QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
  QApplication::sendEvent(mail, &enter);
  EXPECT_TRUE(mail->Highlighted());
  EXPECT_EQ(mail->palette().color(QPalette::WindowText), f.palette().color(QPalette::Highlight));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(mail, &leave);
  EXPECT_EQ(mail->palette().color(QPalette::WindowText), normal);

  QTest::mousePress(mail, Qt::LeftButton);
  QTest::mousePress(f.WebLabel, Qt::LeftButton);
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], "mailto: " + Field("E-MAIL"));
  EXPECT_EQ(opened[1], Field("WEB SITE"));
}

TEST_F(RecordFormTest, LaidOutAsABusinessCardOnTop) {
  TRecordForm& f = Open();
  EXPECT_EQ(f.size(), QSize(480, 369));
  EXPECT_TRUE(f.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(f.isModal());
  EXPECT_EQ(f.CompanyLabel->geometry().topLeft(), QPoint(10, 6));
  EXPECT_EQ(f.TelLabel->geometry().topLeft(), QPoint(120, 90));
  EXPECT_EQ(f.SIC2Label->geometry(), QRect(120, 338, 220, 18));
  EXPECT_EQ(f.DBNavigator->geometry(), QRect(343, 335, 100, 25));
  EXPECT_EQ(f.BtnClose->geometry(), QRect(448, 335, 25, 25));
  EXPECT_EQ(f.BtnClose->toolTip(), QStringLiteral("Close"));
  EXPECT_TRUE(f.CompanyLabel->font().bold());
  EXPECT_EQ(f.CompanyLabel->palette().color(QPalette::WindowText), QColor(0, 0, 128));
  EXPECT_EQ(TRecordForm::Find("Ledgerwake - Record View"), &f);
  EXPECT_EQ(TRecordForm::Find("Other - Record View"), nullptr);
  QTest::mouseClick(f.BtnClose, Qt::LeftButton);
  EXPECT_FALSE(f.isVisible());
  EXPECT_EQ(TRecordForm::Find("Ledgerwake - Record View"), nullptr);
}

TEST_F(RecordFormTest, WithoutSharedDataItClosesAtOnceAndIsDiscarded) {
  QPointer<TRecordForm> form = new TRecordForm(nullptr, nullptr, &Source);
  form->show();
  ASSERT_TRUE(WaitUntil([&] { return form.isNull(); }, 5000));
}

}  // namespace
}  // namespace lw::test
