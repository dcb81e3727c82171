// The search beyond the eight inputs, driven in the window: Enter for Go, the count that runs
// while a search does, the last search back at the next start, another table opened.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <cctype>
#include <filesystem>

#include "MainFormFixture.h"
#include "Nearby.h"
#include "RecordForm.h"
#include "RecordMatcher.h"
#include "Table.h"
#include "TableThread.h"

namespace lw::test {
namespace {

class SearchOptionsTest : public TMainFormFixture {
 protected:
  void Choose(QListWidget* list, const QString& text) {
    list->findItems(text, Qt::MatchExactly).front()->setSelected(true);
  }
  // Listings of the state whose city begins with "new" in any letter case.
  int CountNewCities(const TProgramHome& home, std::string_view state) {
    TOwnTable source(home.SampleTable());
    const int city = source->FieldByName("CITY").Index();
    const int stateField = source->FieldByName("STATE").Index();
    int n = 0;
    for (source->First(); !source->Eof(); source->Next()) {
      std::string c(source->FieldText(city));
      for (char& ch : c) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      n += c.rfind("new", 0) == 0 && TrimBlanks(source->FieldText(stateField)) == state;
    }
    return n;
  }
};

TEST_F(SearchOptionsTest, EnterRunsGoTheCountRunsAndTheSearchComesBackAtTheNextStart) {
  Start();
  Form->CityEdit->setText(QStringLiteral("new* "));
  Form->IgnoreCaseAction->setChecked(true);
  Choose(Form->StateListBox, QStringLiteral("NY"));
  const int expected = CountNewCities(Home, "NY");
  ASSERT_GT(expected, 0);

  QTest::keyClick(Form->CityEdit, Qt::Key_Return);
  ASSERT_TRUE(Form->Searching());
  // The count beside the status line, each time it changes. The worker is let run in short
  // steps, as on a slow machine, so that the search outlasts a few of the count's updates.
  QStringList counts;
  QElapsedTimer took;
  took.start();
  Form->Thread()->Suspend();
  // (The worker's end event comes just after the final count.)
  while (Form->Searching() && Form->StatusText() == "Searching..." && took.elapsed() < 60000) {
    if (counts.isEmpty() || counts.back() != Form->CountLabel->text())
      counts << Form->CountLabel->text();
    Form->Thread()->Resume();
    QThread::usleep(1000);
    Form->Thread()->Suspend();
    Pump(30);
  }
  if (Form->Searching()) Form->Thread()->Resume();
  const qint64 ms = took.elapsed();
  ASSERT_TRUE(WaitUntil([this] { return !Form->Searching(); }));

  EXPECT_EQ(Form->StatusText(), QStringLiteral("Total Records Found: %1").arg(expected));
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^in \\d+\\.\\d\\d s$"))
                  .match(Form->CountLabel->text())
                  .hasMatch())
      << Form->CountLabel->text().toStdString();
  const QRegularExpression live(QStringLiteral("^(\\d+) found  (\\d+\\.\\d) s$"));
  ASSERT_GE(counts.size(), 2) << "the search took " << ms << " ms";
  int lastFound = 0;
  for (const QString& text : counts) {
    const auto m = live.match(text);
    ASSERT_TRUE(m.hasMatch()) << text.toStdString();
    EXPECT_GE(m.captured(1).toInt(), lastFound);
    lastFound = m.captured(1).toInt();
  }
  EXPECT_LE(lastFound, expected);
  EXPECT_LE(counts.size(), ms / 100 + 2);  // ten times a second at most

  // Enter does nothing while a search runs; Go's own rules stand.
  Form->GoActionExecute();
  QTest::keyClick(Form->ZipEdit, Qt::Key_Enter);
  EXPECT_TRUE(WaitUntil([this] { return !Form->Searching(); }));

  // The next start shows the last search again, options included.
  Form->close();
  Form.reset();
  Start();
  EXPECT_EQ(Form->CityEdit->text(), QStringLiteral("new* "));
  EXPECT_TRUE(Form->IgnoreCaseAction->isChecked());
  EXPECT_FALSE(Form->WildcardsAction->isChecked());
  ASSERT_EQ(Form->StateListBox->selectedItems().size(), 1);
  EXPECT_EQ(Form->StateListBox->selectedItems().front()->text(), QStringLiteral("NY"));
  EXPECT_EQ(Form->CountLabel->text(), QString());
}

// Find nearby hands the record's position to the radius, whose search keeps only what lies
// within it; a table without positions disables the radius and says why.
TEST_F(SearchOptionsTest, FindNearbyFillsTheRadiusThatATableWithoutPositionsDisables) {
  Start();
  ASSERT_TRUE(Form->NearEdit->isEnabled() && Form->MilesSpinBox->isEnabled());
  Choose(Form->StateListBox, QStringLiteral("TX"));
  Form->GoActionExecute();
  ASSERT_TRUE(WaitUntil([this] { return !Form->Searching(); }));
  Form->DBGridDblClick();
  TRecordForm* view = Form->RecordForm();
  ASSERT_NE(view, nullptr);
  ASSERT_TRUE(view->FindNearbyAction->isEnabled());
  const double lat = Results().FieldByName("LATITUDE").AsFloat();
  const double lon = Results().FieldByName("LONGITUDE").AsFloat();
  view->FindNearbyAction->trigger();
  EXPECT_EQ(Form->NearEdit->text(),
            QStringLiteral("%1,%2").arg(lat, 0, 'f', 5).arg(lon, 0, 'f', 5));
  Form->MilesSpinBox->setValue(30);
  Form->StateListBox->clearSelection();
  Form->GoActionExecute();
  ASSERT_TRUE(WaitUntil([this] { return !Form->Searching(); }));
  ASSERT_GT(Results().RecordCount(), 0);
  for (Results().First(); !Results().Eof(); Results().Next())
    EXPECT_LE(MilesBetween(lat, lon, Results().FieldByName("LATITUDE").AsFloat(),
                           Results().FieldByName("LONGITUDE").AsFloat()),
              30.0001);
  // The radius comes back with the last search.
  const QString centre = Form->NearEdit->text();
  Form->close();
  Form.reset();
  Start();
  EXPECT_EQ(Form->NearEdit->text(), centre);
  EXPECT_EQ(Form->MilesSpinBox->value(), 30);

  {
    TOwnTable sample(Home.SampleTable());
    sample->FieldDefs().Update();
    TTable flat;
    flat.SetTableName(Home.File("flat.db"));
    for (const TFieldDef& d : sample->FieldDefs().Items())
      if (d.Name != "LATITUDE" && d.Name != "LONGITUDE") flat.FieldDefs().Items().push_back(d);
    flat.CreateTable();
  }
  ASSERT_TRUE(Form->OpenTable(QString::fromStdString(Home.File("flat.db"))));
  EXPECT_FALSE(Form->NearEdit->isEnabled() || Form->MilesSpinBox->isEnabled());
  EXPECT_TRUE(Form->NearEdit->toolTip().contains(QStringLiteral("no LATITUDE and LONGITUDE")));
  EXPECT_FALSE(Form->NearEdit->placeholderText().isEmpty());
  EXPECT_EQ(Form->CriteriaInputs().Near, "");
  EXPECT_FALSE(Form->NearEdit->text().isEmpty()) << "kept for a table with positions";
}

TEST_F(SearchOptionsTest, OpenSearchesAnotherListingsTableAndRefusesOtherLayouts) {
  Start();
  const std::string other = Home.File("other.db");
  std::filesystem::copy_file(Home.SampleTable(), other);
  std::filesystem::copy_file(Home.File("sample/sample.mb"), Home.File("other.mb"));
  ASSERT_TRUE(Form->OpenTable(QString::fromStdString(other)));
  EXPECT_EQ(Form->windowTitle(), QStringLiteral("Ledgerwake - other.db"));
  EXPECT_EQ(Form->SharedData()->SourceTableName(), "other.db");
  Form->GoActionExecute();
  ASSERT_TRUE(WaitUntil([this] { return !Form->Searching(); }));
  EXPECT_EQ(Results().RecordCount(), TOwnTable(Home.SampleTable())->RecordCount());
  {
    // Telephone numbers arrive whole in their written form, the result reshaped or not.
    TOwnTable source(Home.SampleTable());
    std::string phone;
    ASSERT_TRUE(
        FormatPhoneText(source->FieldText(source->FieldByName("TELEPHONE").Index()), phone));
    Results().First();
    EXPECT_EQ(Results().FieldText(Results().FieldByName("TELEPHONE").Index()), phone);
  }

  // One field more: the result table takes that shape for the session.
  const int fields = Results().FieldCount();
  {
    TOwnTable sample(Home.SampleTable());
    sample->FieldDefs().Update();
    TTable wide;
    wide.SetTableName(Home.File("wide.db"));
    wide.FieldDefs().Items() = sample->FieldDefs().Items();
    wide.FieldDefs().Add("NOTE", ftString, 20);
    wide.CreateTable();
  }
  ASSERT_TRUE(Form->OpenTable(QString::fromStdString(Home.File("wide.db"))));
  EXPECT_EQ(Results().FieldCount(), fields + 1);
  Form->GoActionExecute();
  ASSERT_TRUE(WaitUntil([this] { return !Form->Searching(); }));
  EXPECT_EQ(Form->StatusText(), QStringLiteral("Total Records Found: 0"));

  // The result table is no listings table: refused with the reason, the choice unchanged.
  ErrorsExpected = true;
  EXPECT_FALSE(Form->OpenTable(QString::fromStdString(Home.ResultTable())));
  ASSERT_EQ(Log.OfKind(TMessageKind::mkError).size(), 1u);
  EXPECT_TRUE(Log.OfKind(TMessageKind::mkError)[0].Text.contains(QStringLiteral("not a listings")));
  EXPECT_EQ(Form->SharedData()->SourceTableName(), "wide.db");

  // The next start searches its own table again, the result table shaped for it.
  Form->close();
  Form.reset();
  Start();
  EXPECT_EQ(Form->windowTitle(), QStringLiteral("Ledgerwake"));
  EXPECT_EQ(Results().FieldCount(), fields);
}

}  // namespace
}  // namespace lw::test
