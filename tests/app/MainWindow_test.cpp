// The main window driven as a user would: criteria in, Go, the worker's events, Pause,
// Abort, Clear, closing, and which actions are enabled in each state.
#include <gtest/gtest.h>

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <map>

#include "CriteriaLists.h"
#include "ExportForm.h"
#include "GuiTestSupport.h"
#include "IniFile.h"
#include "MainForm.h"
#include "MainFormFixture.h"
#include "SummaryForm.h"
#include "TableThread.h"

namespace lw::test {
namespace {

int RowOf(QListWidget* list, const char* text) {
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->text() == QLatin1String(text)) return i;
  return -1;
}

void Choose(QListWidget* list, const char* text) {
  list->item(RowOf(list, text))->setSelected(true);
}

class MainWindowTest : public TMainFormFixture {
 protected:
  bool RunSearch() {
    Form->GoActionExecute();
    return WaitUntil([this] { return !Form->Searching(); });
  }
  int CountStates(std::initializer_list<const char*> states) {
    TOwnTable source(Home.SampleTable());
    return source.Count("STATE", [&](const std::string& v) {
      for (const char* s : states)
        if (v == s) return true;
      return false;
    });
  }
};

TEST_F(MainWindowTest, StartsOnTheSampleDataIdleAndEmpty) {
  Start();
  // The notice comes from the shared data's start-up, as a box with the title as caption.
  ASSERT_EQ(Log.Messages().size(), 1u);
  EXPECT_EQ(Log.Messages()[0].Kind, TMessageKind::mkInformation);
  EXPECT_EQ(Log.Messages()[0].Caption, QStringLiteral("Ledgerwake"));
  EXPECT_EQ(Log.Messages()[0].Text, QStringLiteral("Ledgerwake will run with sample data."));

  EXPECT_EQ(Form->windowTitle(), QStringLiteral("Ledgerwake"));
  EXPECT_EQ(Form->size(), QSize(689, 545));
  EXPECT_EQ(Form->StatusText(), QString());
  EXPECT_FALSE(Form->ProgressPanel->isVisible());
  EXPECT_EQ(Results().RecordCount(), 0);
  EXPECT_EQ(Form->DBGrid->model()->rowCount(), 0);

  EXPECT_EQ(Form->ClearAction->text(), QStringLiteral("    &Clear    "));
  EXPECT_EQ(Form->ClearAction->iconText(), QStringLiteral("    &Clear    "));
  EXPECT_EQ(Form->GoAction->text(), QStringLiteral("&Go"));
  EXPECT_EQ(Form->PauseAction->text(), QStringLiteral("&Pause"));
  EXPECT_EQ(Form->CloseAction->text(), QStringLiteral("&Quit"));
  EXPECT_EQ(Form->UpdateAction->toolTip(), QStringLiteral("Check for newer version or updates"));
  EXPECT_EQ(Form->SICEdit->property("hint").toString(),
            QStringLiteral("Type a SIC or the first letters followed by '*'.\r\nFor multiple SIC "
                           "codes separate them by commas.\r\nExample: 9512*, 50*, 7991-01"));
  EXPECT_EQ(Form->EmployeeListBox->property("hint").toString(),
            QStringLiteral("For multiple selections, hold the CTRL key \r\nwhile clicking on "
                           "desired number of employees."));
  EXPECT_EQ(Form->DBGrid->toolTip(), QStringLiteral("Click the title in BOLD to sort."));
  EXPECT_EQ(Form->SICEdit->toolTipDuration(), 20000);
  EXPECT_EQ(Form->style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 200);
  EXPECT_EQ(Form->StateListBox->count(), 52);
  EXPECT_EQ(Form->EmployeeListBox->count(), 13);
  EXPECT_EQ(Form->SalesListBox->count(), 14);
  EXPECT_EQ(Form->StateListBox->item(0)->text(), QStringLiteral("[CHOOSE STATES]"));
}

TEST_F(MainWindowTest, AcceleratorsFocusTheirInputsAndRunTheirActions) {
  Start();
  Form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
  EXPECT_EQ(QApplication::focusWidget(), Form->SICEdit);
  QTest::keyClick(Form.get(), Qt::Key_M, Qt::AltModifier);
  EXPECT_EQ(QApplication::focusWidget(), Form->CompanyEdit);
  QTest::keyClick(Form.get(), Qt::Key_Y, Qt::AltModifier);
  EXPECT_EQ(QApplication::focusWidget(), Form->EmployeeListBox);
  QTest::keyClick(Form.get(), Qt::Key_Z, Qt::AltModifier);
  EXPECT_EQ(QApplication::focusWidget(), Form->ZipEdit);
  // The tool buttons carry their captions' accelerators (pressing one clicks the button,
  // which Qt animates on a timer; the registration is what this window controls).
  auto button = [this](QToolBar* bar, QAction* a) {
    return qobject_cast<QToolButton*>(bar->widgetForAction(a));
  };
  EXPECT_EQ(button(Form->MainToolBar, Form->GoAction)->shortcut(), QKeySequence("Alt+G"));
  EXPECT_EQ(button(Form->MainToolBar, Form->ClearAction)->shortcut(), QKeySequence("Alt+C"));
  EXPECT_EQ(button(Form->MainToolBar, Form->ClearAction)->text(), QStringLiteral("    &Clear    "));
  EXPECT_EQ(button(Form->MainToolBar, Form->ExportAction)->shortcut(), QKeySequence("Alt+E"));
  EXPECT_EQ(button(Form->MainToolBar, Form->SummaryAction)->shortcut(), QKeySequence("Alt+R"));
  EXPECT_EQ(button(Form->OtherToolBar, Form->CloseAction)->shortcut(), QKeySequence("Alt+Q"));
  EXPECT_EQ(Form->PauseBtn->shortcut(), QKeySequence("Alt+P"));
  const std::pair<QAction*, const char*> searchKeys[] = {{Form->OpenAction, "Alt+O"},
                                                         {Form->IgnoreCaseAction, "Alt+I"},
                                                         {Form->WildcardsAction, "Alt+W"},
                                                         {Form->SearchesAction, "Alt+H"}};
  for (const auto& [action, key] : searchKeys)
    EXPECT_EQ(button(Form->SearchToolBar, action)->shortcut(), QKeySequence(key)) << key;
  EXPECT_EQ(Form->OpenAction->shortcut(), QKeySequence("Ctrl+O"));
  // At the first size every tool button is in sight, none behind an overflow arrow, News
  // included, and Ctrl+Q quits wherever Quit is.
  Form->SharedData()->AppInfo().NetNewsURL = "http://127.0.0.1/news/lwnews.inf";
  Form->ActionListUpdate();
  QApplication::processEvents();
  for (QToolBar* bar : {Form->MainToolBar, Form->OtherToolBar, Form->SearchToolBar})
    for (QAction* a : bar->actions())
      if (!a->isSeparator() && a->isVisible()) {
        EXPECT_TRUE(bar->widgetForAction(a)->isVisible()) << a->text().toStdString();
      }
  QTest::keyClick(Form.get(), Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(Form->isVisible());
}

TEST_F(MainWindowTest, GoFindsWhatTheEngineFindsAndTheGridShowsEveryMatch) {
  Start();
  const int expected = CountStates({"NY", "CA", "WY"});
  // A count that is no multiple of ten: the last few matches come after the last batch
  // refresh, and only the refresh at the end shows them.
  ASSERT_NE(expected % 10, 0) << "choose states whose count is no multiple of ten";
  Choose(Form->StateListBox, "NY");
  Choose(Form->StateListBox, "CA");
  Choose(Form->StateListBox, "WY");
  ASSERT_TRUE(RunSearch());
  EXPECT_EQ(Form->StatusText(), QStringLiteral("Total Records Found: %1").arg(expected));
  EXPECT_EQ(Form->DBGrid->model()->rowCount(), expected);
  EXPECT_EQ(Results().RecordCount(), expected);
  EXPECT_EQ(Results().IndexFieldNames(), "Result");
  EXPECT_FALSE(Form->ProgressPanel->isVisible());
  EXPECT_EQ(Form->ProgressBar->value(), 100);
  EXPECT_EQ(Form->ProgressLabel->text(), QStringLiteral(" 100 % "));
  // Every row shown is one of the chosen states, in insertion order.
  const int stateColumn = Form->DBGrid->ColumnOfField("STATE");
  const int noColumn = Form->DBGrid->ColumnOfField("Result");
  ASSERT_GE(stateColumn, 0);
  ASSERT_GE(noColumn, 0);
  auto* model = Form->DBGrid->model();
  for (int row : {0, expected / 2, expected - 1}) {
    const QString state = model->index(row, stateColumn).data().toString();
    EXPECT_TRUE(state == "NY" || state == "CA" || state == "WY") << state.toStdString();
    EXPECT_EQ(model->index(row, noColumn).data().toInt(), row + 1);
  }
  EXPECT_TRUE(Log.OfKind(TMessageKind::mkError).empty());
}

TEST_F(MainWindowTest, GoTwiceDoesNotAccumulateResults) {
  Start();
  Choose(Form->StateListBox, "TX");
  const int expected = CountStates({"TX"});
  ASSERT_TRUE(RunSearch());
  ASSERT_TRUE(RunSearch());
  EXPECT_EQ(Results().RecordCount(), expected);
  EXPECT_EQ(Form->DBGrid->model()->rowCount(), expected);
  EXPECT_EQ(Form->StatusText(), QStringLiteral("Total Records Found: %1").arg(expected));
}

TEST_F(MainWindowTest, PauseAndResumeToggleCaptionAndStatus) {
  Start();
  Form->GoActionExecute();
  EXPECT_EQ(Form->StatusText(), QStringLiteral("Searching..."));
  // The worker cannot get past its first event before this thread has handled it, so it is
  // paused before it examines any record.
  QToolBar* bar = Form->MainToolBar;
  const QRect abortAt = bar->widgetForAction(Form->AbortAction)->geometry();
  const QRect pauseAt = Form->PauseBtn->geometry();
  Form->PauseActionExecute();
  EXPECT_EQ(Form->PauseAction->text(), QStringLiteral("&Resume"));
  EXPECT_TRUE(Form->PauseBtn->isChecked());
  // The wider caption does not move the buttons after it.
  Pump(10);
  EXPECT_EQ(Form->PauseBtn->geometry(), pauseAt);
  EXPECT_EQ(bar->widgetForAction(Form->AbortAction)->geometry(), abortAt);
  EXPECT_EQ(Form->StatusText(), QStringLiteral("Pausing..."));
  Pump(150);
  EXPECT_TRUE(Form->Searching());
  EXPECT_EQ(Form->ProgressBar->value(), 0);
  EXPECT_EQ(Form->StatusText(), QStringLiteral("Pausing..."));
  // The grid stays usable while paused.
  EXPECT_TRUE(Form->DBGrid->isEnabled());

  Form->PauseActionExecute();
  EXPECT_EQ(Form->PauseAction->text(), QStringLiteral("&Pause"));
  EXPECT_FALSE(Form->PauseBtn->isChecked());
  EXPECT_EQ(Form->StatusText(), QStringLiteral("Searching..."));
  ASSERT_TRUE(WaitUntil([this] { return !Form->Searching(); }));
  EXPECT_TRUE(Form->StatusText().startsWith(QStringLiteral("Total Records Found: ")));
}

TEST_F(MainWindowTest, AbortWhilePausedStopsWithoutACount) {
  Start();
  Form->GoActionExecute();
  Form->PauseActionExecute();
  Pump(100);
  Form->AbortActionExecute();
  EXPECT_EQ(Form->StatusText(), QStringLiteral("Aborted ..."));
  EXPECT_EQ(Form->PauseAction->text(), QStringLiteral("&Pause"));
  EXPECT_FALSE(Form->PauseBtn->isChecked());
  EXPECT_FALSE(Form->ProgressPanel->isVisible());
  // Searching until the worker's end event; Pause and Abort stay available meanwhile.
  ASSERT_TRUE(WaitUntil([this] { return !Form->Searching(); }));
  EXPECT_EQ(Form->StatusText(), QStringLiteral("Aborted ..."));
  EXPECT_TRUE(Form->GoAction->isEnabled());
  EXPECT_FALSE(Form->AbortAction->isEnabled());
  EXPECT_FALSE(Form->PauseAction->isEnabled());
  EXPECT_TRUE(Log.OfKind(TMessageKind::mkError).empty());
}

TEST_F(MainWindowTest, ClearEmptiesEverythingButTheSICDescription) {
  Start();
  ASSERT_TRUE(RunSearch());
  ASSERT_GT(Results().RecordCount(), 0);
  Form->SICEdit->setText("50*");
  Form->SICDescEdit->setText("Com*");
  Form->CompanyEdit->setText("ABC*");
  Form->CityEdit->setText("Buffalo");
  Form->ZipEdit->setText("14221*");
  Choose(Form->StateListBox, "NY");
  Choose(Form->EmployeeListBox, "1-4");
  Choose(Form->SalesListBox, "1B");

  Form->ClearActionExecute();
  EXPECT_TRUE(Form->SICEdit->text().isEmpty());
  EXPECT_EQ(Form->SICDescEdit->text(), QStringLiteral("Com*"));
  EXPECT_TRUE(Form->CompanyEdit->text().isEmpty());
  EXPECT_TRUE(Form->CityEdit->text().isEmpty());
  EXPECT_TRUE(Form->ZipEdit->text().isEmpty());
  for (QListWidget* l : {Form->StateListBox, Form->EmployeeListBox, Form->SalesListBox})
    EXPECT_TRUE(l->selectedItems().isEmpty());
  EXPECT_EQ(Form->StatusText(), QString());
  EXPECT_EQ(Form->ProgressBar->value(), 0);
  EXPECT_EQ(Results().RecordCount(), 0);
  EXPECT_EQ(Form->DBGrid->model()->rowCount(), 0);
  EXPECT_EQ(TOwnTable(Home.ResultTable())->RecordCount(), 0);
}

TEST_F(MainWindowTest, ChoosingTheHeaderRowDeselectsTheOthers) {
  Start();
  Choose(Form->EmployeeListBox, "1-4");
  Choose(Form->EmployeeListBox, "5-9");
  EXPECT_EQ(Form->EmployeeListBox->selectedItems().size(), 2);
  Form->EmployeeListBox->item(0)->setSelected(true);
  ASSERT_EQ(Form->EmployeeListBox->selectedItems().size(), 1);
  EXPECT_EQ(Form->EmployeeListBox->selectedItems()[0]->text(),
            QStringLiteral("[CHOOSE # EMPLOYEES]"));
  // Chosen alone, the header row is no criterion.
  std::vector<std::string> criteria;
  FillCriteria(Form->CriteriaInputs(), criteria);
  EXPECT_EQ(criteria[csEmployees], "");
  // While the header row stays chosen, any other row chosen with it is dropped again.
  Choose(Form->EmployeeListBox, "10-19");
  EXPECT_EQ(Form->EmployeeListBox->selectedItems().size(), 1);
}

TEST_F(MainWindowTest, ActionsFollowTheSearchState) {
  Start();
  auto enabled = [this] {
    std::string s;
    for (QAction* a :
         {Form->ClearAction, Form->GoAction, Form->PauseAction, Form->AbortAction,
          Form->ExportAction, Form->UpdateAction, Form->AboutAction, Form->CloseAction})
      s += a->isEnabled() ? '1' : '0';
    return s;
  };
  // Idle without results: Clear, Go, Updates, About, Quit.
  EXPECT_EQ(enabled(), "11000111");
  // The generated setup file names no news address, so the built-in one shows News.
  EXPECT_TRUE(Form->NewsAction->isVisible());
  EXPECT_TRUE(Form->NewsAction->isEnabled());

  Form->GoActionExecute();
  // Searching: Pause, Abort and Quit.
  EXPECT_EQ(enabled(), "00110001");
  EXPECT_FALSE(Form->NewsAction->isEnabled());
  ASSERT_TRUE(WaitUntil([this] { return !Form->Searching(); }));
  ASSERT_GT(Results().RecordCount(), 0);
  // Idle with results: Export as well.
  EXPECT_EQ(enabled(), "11001111");

  Form->ClearActionExecute();
  EXPECT_EQ(enabled(), "11000111");
}

TEST_F(MainWindowTest, ExportOpensTheLinkedExportWindowOverTheResults) {
  Start();
  EXPECT_FALSE(Form->ExportAction->isEnabled());
  ASSERT_TRUE(RunSearch());
  ASSERT_TRUE(Form->ExportAction->isEnabled());
  int opened = 0;
  QString caption;
  int fields = -1;
  QTimer::singleShot(200, [&] {
    if (auto* form = qobject_cast<TExportForm*>(QApplication::activeModalWidget())) {
      ++opened;
      caption = form->windowTitle();
      fields = form->FieldListBox->count();
      form->close();
    }
  });
  Form->ExportAction->trigger();
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(caption, QStringLiteral("Ledgerwake - Export"));
  // The window reads the grid's own result table.
  EXPECT_EQ(fields, Results().FieldCount());
  EXPECT_TRUE(Form->GoAction->isEnabled());
}

TEST_F(MainWindowTest, SummaryCountsTheResultsByStateAndShowsTheirPositions) {
  Start();
  EXPECT_FALSE(Form->SummaryAction->isEnabled());
  const std::map<QString, int> expected = {
      {"NY", CountStates({"NY"})}, {"CA", CountStates({"CA"})}, {"WY", CountStates({"WY"})}};
  for (const char* state : {"NY", "CA", "WY"}) Choose(Form->StateListBox, state);
  ASSERT_TRUE(RunSearch());
  ASSERT_TRUE(Form->SummaryAction->isEnabled());
  std::map<QString, int> shown;
  QString caption, status;
  int tabs = 0;
  QTimer::singleShot(0, [&] {
    auto* form = qobject_cast<TSummaryForm*>(QApplication::activeModalWidget());
    if (!form || !WaitUntil([form] { return !form->Busy(); })) return;
    caption = form->windowTitle();
    status = form->StatusLabel->text();
    tabs = form->ChartTabs->count();
    // Category labels read "NY   412  (45.1 %)"; the bars carry the counts.
    const auto* series = qobject_cast<QAbstractBarSeries*>(form->Chart(0)->series().value(0));
    const QStringList labels =
        form->Chart(0)->axes(Qt::Vertical).isEmpty()
            ? QStringList()
            : qobject_cast<QBarCategoryAxis*>(form->Chart(0)->axes(Qt::Vertical)[0])->categories();
    for (int i = 0; series && i < labels.size(); ++i)
      shown[labels[i].section(' ', 0, 0)] = static_cast<int>(series->barSets()[0]->at(i));
    form->close();
  });
  Form->SummaryAction->trigger();
  EXPECT_EQ(caption, QStringLiteral("Ledgerwake - Summary"));
  const int total = expected.at("NY") + expected.at("CA") + expected.at("WY");
  EXPECT_EQ(status, QStringLiteral("%1 results").arg(QLocale(QLocale::English).toString(total)));
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(tabs, 5);  // four bar charts and the positions of the sample's listings
}

TEST_F(MainWindowTest, AWorkerFailureShowsItsMessageAndTheGridKeepsItsMatches) {
  ErrorsExpected = true;
  Start();
  // The comma typed at the end gives an empty item: the first record whose zip does not
  // begin with 1 ends the search with an error.
  Form->ZipEdit->setText("1*,");
  int expected = 0;
  {
    TOwnTable source(Home.SampleTable());
    const int zip = source->FieldByName("ZIP").Index();
    for (source->First(); !source->Eof(); source->Next()) {
      if (source->FieldText(zip).substr(0, 1) != "1") break;
      ++expected;
    }
  }
  ASSERT_TRUE(RunSearch());
  const auto errors = Log.OfKind(TMessageKind::mkError);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_FALSE(errors[0].Text.isEmpty());
  EXPECT_EQ(errors[0].Caption, QStringLiteral("Ledgerwake"));
  EXPECT_EQ(Form->StatusText(), QStringLiteral("Total Records Found: %1").arg(expected));
  EXPECT_EQ(Form->DBGrid->model()->rowCount(), expected);
  EXPECT_FALSE(Form->ProgressPanel->isVisible());
}

TEST_F(MainWindowTest, ClosingDuringASearchStopsTheWorkerEmptiesTheResultsAndSavesTheLayout) {
  Start();
  TIniFile(Home.ConfigFile()).EraseSection("Grid View");
  Form->GoActionExecute();
  // Paused before the worker examines a record, so the search is still running at the close
  // however fast the machine scans the sample table.
  Form->PauseActionExecute();
  Pump(50);
  ASSERT_TRUE(Form->Searching());
  Form->close();
  EXPECT_FALSE(Form->Searching());
  EXPECT_TRUE(Form->SharedData()->ErrorText().empty()) << Form->SharedData()->ErrorText();
  EXPECT_EQ(TOwnTable(Home.ResultTable())->RecordCount(), 0);
  const auto lines = TIniFile(Home.ConfigFile()).ReadSectionValues("Grid View");
  EXPECT_EQ(lines.size(), static_cast<size_t>(Form->DBGrid->ColumnCount()));
  Form.reset();
}

// The criteria panel keeps its laid-out height; its lists show whole rows and Clear brings
// them back to their first row.
TEST_F(MainWindowTest, CriteriaPanelHeightAndListRows) {
  Start();
  Pump(10);
  EXPECT_EQ(Form->CriteriaPanel->height(), 191);
  EXPECT_LE(Form->CriteriaPanel->minimumSizeHint().height(), 191);
  for (QListWidget* list : {Form->StateListBox, Form->EmployeeListBox, Form->SalesListBox}) {
    EXPECT_EQ(list->height(), 70);
    const int inside = list->viewport()->height();
    const int row = list->visualItemRect(list->item(0)).height();
    ASSERT_GT(row, 0);
    // The last row that starts inside the list ends inside it too.
    const int lastShown = (inside - 1) / row;
    EXPECT_LE(list->visualItemRect(list->item(lastShown)).bottom(), inside - 1)
        << list->objectName().toStdString();
    list->scrollToBottom();
    list->item(list->count() - 1)->setSelected(true);
  }
  Form->ClearActionExecute();
  for (QListWidget* list : {Form->StateListBox, Form->EmployeeListBox, Form->SalesListBox}) {
    EXPECT_EQ(list->verticalScrollBar()->value(), 0) << list->objectName().toStdString();
    EXPECT_TRUE(list->selectedItems().isEmpty());
  }
}

}  // namespace
}  // namespace lw::test
