// The results grid: its column layout in the user settings file, sorting by bold titles,
// reading rows on demand, keeping its place while results arrive, and the cursor it shares
// with the record view.
#include <gtest/gtest.h>

#include <QFont>
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "DBNavigator.h"
#include "ExportForm.h"
#include "FileText.h"
#include "GridLayout.h"
#include "GuiTestSupport.h"
#include "IniFile.h"
#include "MainForm.h"
#include "MainFormFixture.h"
#include "RecordForm.h"

namespace lw::test {
namespace {

class GridTest : public TMainFormFixture {
 protected:
  void SearchAll() {
    Form->GoActionExecute();
    ASSERT_TRUE(WaitUntil([this] { return !Form->Searching(); }));
  }
  void WriteLayout(const std::vector<std::string>& lines) {
    TIniFile ini(Home.ConfigFile());
    ini.EraseSection("Grid View");
    for (const std::string& line : lines) {
      const size_t eq = line.find('=');
      ini.WriteString("Grid View", line.substr(0, eq), line.substr(eq + 1));
    }
  }
  std::vector<std::string> SavedLayout() {
    return TIniFile(Home.ConfigFile()).ReadSectionValues("Grid View");
  }
  QString Cell(int row, int position) {
    QHeaderView* h = Form->DBGrid->horizontalHeader();
    return Form->DBGrid->model()->index(row, h->logicalIndex(position)).data().toString();
  }
};

TEST_F(GridTest, LayoutLoadsInFileOrderSkipsUnknownFieldsAndSavesByPosition) {
  WriteLayout({"Col2=;CITY;City;120;1", "Col0=;COMPANY;Company;220;0", "Col1=;NOSUCH;Nothing;80;1",
               "Col3=;STATE;St;ate;40;1", "Col4=;ZIP;Zip;wide;1"});
  Start();
  TDBGrid& grid = *Form->DBGrid;
  ASSERT_EQ(grid.ColumnCount(), 4);
  const TGridColumn city = grid.Column(0);
  EXPECT_EQ(city.FieldName, "CITY");
  EXPECT_EQ(city.Title, QStringLiteral("City"));
  EXPECT_EQ(city.Width, 120);
  EXPECT_TRUE(city.Bold);
  EXPECT_EQ(grid.Column(1).FieldName, "COMPANY");
  EXPECT_FALSE(grid.Column(1).Bold);
  // A ";" in the title cuts it; the width then reads "ate" (50) and the flag "40;1" (regular).
  EXPECT_EQ(grid.Column(2).Title, QStringLiteral("St"));
  EXPECT_EQ(grid.Column(2).Width, 50);
  EXPECT_FALSE(grid.Column(2).Bold);
  EXPECT_EQ(grid.Column(3).Width, 50);
  EXPECT_TRUE(grid.Column(3).Bold);

  // Bold titles are navy; the others black and regular.
  auto* model = grid.model();
  EXPECT_TRUE(model->headerData(0, Qt::Horizontal, Qt::FontRole).value<QFont>().bold());
  EXPECT_EQ(model->headerData(0, Qt::Horizontal, Qt::ForegroundRole).value<QBrush>().color(),
            QColor(0, 0, 128));
  EXPECT_FALSE(model->headerData(1, Qt::Horizontal, Qt::FontRole).value<QFont>().bold());
  EXPECT_EQ(model->headerData(1, Qt::Horizontal, Qt::ForegroundRole).value<QBrush>().color(),
            QColor(Qt::black));

  // The user moves Company to the front and widens it.
  QHeaderView* h = grid.horizontalHeader();
  h->moveSection(1, 0);
  h->resizeSection(h->logicalIndex(0), 250);
  Form->close();
  EXPECT_EQ(SavedLayout(),
            (std::vector<std::string>{"Col0=;COMPANY;Company;250;0", "Col1=;CITY;City;120;1",
                                      "Col2=;STATE;St;50;0", "Col3=;ZIP;Zip;50;1"}));
}

TEST_F(GridTest, WithoutALayoutEveryFieldIsAColumnAndNoneSorts) {
  TIniFile(Home.ConfigFile()).EraseSection("Grid View");
  Start();
  TDBGrid& grid = *Form->DBGrid;
  ASSERT_EQ(grid.ColumnCount(), Results().FieldCount());
  for (int i = 0; i < grid.ColumnCount(); ++i) {
    EXPECT_EQ(grid.Column(i).FieldName, Results().Fields(i).FieldName());
    EXPECT_EQ(grid.Column(i).Title.toStdString(), Results().Fields(i).FieldName());
    EXPECT_FALSE(grid.Column(i).Bold);
  }
  SearchAll();
  Form->DBGridTitleClick(grid.ColumnOfField("CITY"));
  EXPECT_EQ(Results().IndexFieldNames(), "Result");
  Form->close();
  const auto saved = SavedLayout();
  ASSERT_EQ(saved.size(), static_cast<size_t>(Results().FieldCount()));
  EXPECT_EQ(saved[1].substr(0, 15), "Col1=;COMPANY;C");
  for (const std::string& line : saved) EXPECT_EQ(line.back(), '0') << line;
}

TEST_F(GridTest, OnlyABoldTitleSortsTheRows) {
  Start();
  SearchAll();
  TDBGrid& grid = *Form->DBGrid;
  const int city = grid.ColumnOfField("CITY");
  const int address = grid.ColumnOfField("ADDRESS");
  ASSERT_TRUE(grid.Column(city).Bold);
  ASSERT_FALSE(grid.Column(address).Bold);

  Form->DBGridTitleClick(address);
  EXPECT_EQ(Results().IndexFieldNames(), "Result");

  // A real click on the title, through the header.
  QHeaderView* h = grid.horizontalHeader();
  emit h->sectionClicked(h->logicalIndex(city));
  EXPECT_EQ(Results().IndexFieldNames(), "CITY");
  EXPECT_TRUE(h->isSortIndicatorShown());
  for (int row = 0; row + 1 < 60; ++row)
    EXPECT_LE(QString::compare(Cell(row, city), Cell(row + 1, city), Qt::CaseInsensitive), 0)
        << row;
  // The next Go lists the results in insertion order again.
  SearchAll();
  EXPECT_EQ(Results().IndexFieldNames(), "Result");
  EXPECT_EQ(Cell(0, grid.ColumnOfField("Result")), QStringLiteral("1"));
}

TEST_F(GridTest, RowsAreReadOnDemandAndArrivingRowsKeepTheScrollPosition) {
  Start();
  SearchAll();
  auto* model = Form->DBGrid->Model();
  const int rows = model->rowCount();
  ASSERT_EQ(rows, 1500);
  Pump(50);
  // Only what the grid painted was read, never the whole table.
  EXPECT_LT(model->RowsRead(), 200);

  QScrollBar* bar = Form->DBGrid->verticalScrollBar();
  bar->setValue(700);
  Pump(20);
  const int before = bar->value();
  {
    TOwnTable results(Home.ResultTable(), true);
    for (int i = 0; i < 3; ++i) {
      results->Append();
      results->FieldByName("COMPANY").SetAsString("Late Arrival " + std::to_string(i));
      results->Post();
    }
  }
  Results().Refresh();
  EXPECT_EQ(model->rowCount(), rows + 3);
  EXPECT_EQ(bar->value(), before);
  const int company = Form->DBGrid->ColumnOfField("COMPANY");
  EXPECT_EQ(Cell(rows + 2, company), QStringLiteral("Late Arrival 2"));
}

TEST_F(GridTest, GridAndRecordViewShareOneCursor) {
  Start();
  SearchAll();
  TDBGrid& grid = *Form->DBGrid;
  grid.selectRow(5);
  EXPECT_EQ(Results().RecNo(), 6);

  Form->DBGridDblClick();
  TRecordForm* view = Form->RecordForm();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->windowTitle(), QStringLiteral("Ledgerwake - Record View"));
  const int company = grid.ColumnOfField("COMPANY");
  EXPECT_EQ(view->CompanyLabel->text(), Cell(5, company));

  view->DBNavigator->BtnClick(nbNext);
  EXPECT_EQ(Results().RecNo(), 7);
  EXPECT_EQ(grid.currentIndex().row(), 6);
  EXPECT_EQ(view->CompanyLabel->text(), Cell(6, company));

  view->DBNavigator->BtnClick(nbLast);
  EXPECT_EQ(grid.currentIndex().row(), grid.model()->rowCount() - 1);
  EXPECT_FALSE(view->DBNavigator->Button(nbNext)->isEnabled());
  EXPECT_TRUE(view->DBNavigator->Button(nbFirst)->isEnabled());

  // Moving in the grid does not refresh the record view's lines.
  const QString shown = view->CompanyLabel->text();
  grid.selectRow(0);
  EXPECT_EQ(view->CompanyLabel->text(), shown);
}

// The card never shows a record that the result table no longer holds.
TEST_F(GridTest, TheRecordViewEmptiesWhenItsRowsAreGone) {
  Start();
  const std::function<void()> ways[] = {[this] { Form->ClearActionExecute(); },
                                        [this] { SearchAll(); }};
  for (const auto& removeRows : ways) {
    SearchAll();
    Form->DBGrid->selectRow(3);
    Form->DBGridOpenRecord();
    TRecordForm* view = Form->RecordForm();
    ASSERT_EQ(view->CompanyLabel->text(), Cell(3, Form->DBGrid->ColumnOfField("COMPANY")));
    removeRows();
    ASSERT_EQ(Form->RecordForm(), view);
    EXPECT_EQ(view->CompanyLabel->text() + view->Address1Label->text() + view->SICLabel->text(),
              "");
  }
}

void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}

// As the window manager does for a window shown or uncovered.
void Activate(QWidget* window) {
  window->activateWindow();
  ASSERT_TRUE(WaitUntil([window] { return QApplication::activeWindow() == window; }));
}

// Criteria, Go, a record opened from the grid and closed, an export to a typed absolute path
// (the modal window driven from inside its own loop), Quit.
TEST_F(GridTest, AWholeJobWithTheKeyboardAlone) {
  const QString target = QString::fromStdString(Home.File("elsewhere/big.csv"));
  Start();
  Activate(Form.get());
  Press(Qt::Key_S, Qt::AltModifier);
  Press(Qt::Key_Down);  // the first state below the header row
  Press(Qt::Key_G, Qt::AltModifier);
  ASSERT_TRUE(WaitUntil([this] { return !Form->Searching() && Form->ExportAction->isEnabled(); }));
  for (int i = 0; i < 10 && !Form->DBGrid->hasFocus(); ++i) Press(Qt::Key_Tab);
  Press(Qt::Key_Tab);  // and out again
  EXPECT_FALSE(Form->DBGrid->hasFocus());
  Press(Qt::Key_Tab, Qt::ShiftModifier);
  ASSERT_TRUE(Form->DBGrid->hasFocus());
  Press(Qt::Key_Down);
  Press(Qt::Key_Return);
  ASSERT_NE(Form->RecordForm(), nullptr);
  EXPECT_EQ(Form->RecordForm()->CompanyLabel->text(),
            Cell(1, Form->DBGrid->ColumnOfField("COMPANY")));
  QTest::keyClick(Form->RecordForm(), Qt::Key_Escape);
  ASSERT_EQ(Form->RecordForm(), nullptr);
  const int found = Form->DBGrid->model()->rowCount();
  bool exported = false;
  QTimer driver;
  driver.callOnTimeout([&] {
    auto* form = qobject_cast<TExportForm*>(QApplication::activeModalWidget());
    if (exported || !form) return;
    exported = true;
    Activate(form);
    Press(Qt::Key_N, Qt::AltModifier);
    QTest::keyClicks(QApplication::focusWidget(), target);
    Press(Qt::Key_Return);
    EXPECT_EQ(form->ProgressLabel->text(), QStringLiteral("  [100 %]   %1 exported.").arg(found));
    Press(Qt::Key_Escape);
  });
  driver.start(10);
  Activate(Form.get());
  Press(Qt::Key_E, Qt::AltModifier);
  ASSERT_TRUE(WaitUntil([&] { return exported && !QApplication::activeModalWidget(); }));
  const std::string csv = ReadAll(target.toStdString());
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), found + 1);
  Activate(Form.get());
  Press(Qt::Key_Q, Qt::AltModifier);
  EXPECT_TRUE(WaitUntil([this] { return !Form->isVisible(); }));
}

TEST_F(GridTest, DoubleClickingTwiceOpensOneRecordView) {
  Start();
  SearchAll();
  Form->DBGrid->selectRow(2);
  Form->DBGridDblClick();
  TRecordForm* first = Form->RecordForm();
  ASSERT_NE(first, nullptr);
  const QString shown = first->CompanyLabel->text();
  Form->DBGrid->selectRow(3);
  Form->DBGridDblClick();
  int views = 0;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<TRecordForm*>(w) && w->isVisible()) ++views;
  EXPECT_EQ(views, 1);
  EXPECT_EQ(Form->RecordForm(), first);
  // Brought to the front with its old contents.
  EXPECT_EQ(first->CompanyLabel->text(), shown);
  EXPECT_TRUE(first->windowFlags() & Qt::WindowStaysOnTopHint);

  // Once closed, the next double-click makes a new one.
  first->close();
  Pump(10);
  Form->DBGridDblClick();
  ASSERT_NE(Form->RecordForm(), nullptr);
}

// Clicks on the header as the mouse gives them: a title that is not bold leaves the order
// and its arrow alone; a bold one sorts under the busy cursor.
TEST_F(GridTest, TitleClicksThroughTheHeader) {
  Start();
  SearchAll();
  TDBGrid& grid = *Form->DBGrid;
  QHeaderView* h = grid.horizontalHeader();
  auto click = [h](int position) {
    const int logical = h->logicalIndex(position);
    const QPoint at(h->sectionViewportPosition(logical) + h->sectionSize(logical) / 2,
                    h->height() / 2);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, at);
  };
  int cursorWhileSorting = -1;
  auto seeCursor = [&cursorWhileSorting] {
    const QCursor* c = QApplication::overrideCursor();
    cursorWhileSorting = c ? c->shape() : -1;
  };
  // The model hears of the new order while the table sorts.
  const QMetaObject::Connection seen =
      QObject::connect(grid.model(), &QAbstractItemModel::dataChanged, &grid, seeCursor);

  const int city = grid.ColumnOfField("CITY");
  const int address = grid.ColumnOfField("ADDRESS");
  click(city);
  EXPECT_EQ(Results().IndexFieldNames(), "CITY");
  EXPECT_EQ(cursorWhileSorting, Qt::WaitCursor);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  const QString first = Cell(0, city);

  click(address);
  EXPECT_EQ(Results().IndexFieldNames(), "CITY");
  EXPECT_TRUE(h->isSortIndicatorShown());
  EXPECT_EQ(h->sortIndicatorSection(), h->logicalIndex(city));
  EXPECT_EQ(h->sortIndicatorOrder(), Qt::AscendingOrder);
  EXPECT_EQ(Cell(0, city), first);
  // A second click on the bold title keeps the one order there is.
  click(city);
  EXPECT_EQ(h->sortIndicatorOrder(), Qt::AscendingOrder);
  QObject::disconnect(seen);
}

// A double-click anywhere in the grid opens the record view: on an empty grid too.
TEST_F(GridTest, DoubleClickAnywhereOpensTheRecordView) {
  Start();
  ASSERT_EQ(Form->DBGrid->model()->rowCount(), 0);
  QTest::mouseDClick(Form->DBGrid->viewport(), Qt::LeftButton, {}, QPoint(20, 40));
  ASSERT_NE(Form->RecordForm(), nullptr);
  Form->RecordForm()->close();
  Pump(10);
  SearchAll();
  QTest::mouseDClick(Form->DBGrid->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
  EXPECT_NE(Form->RecordForm(), nullptr);
}

}  // namespace
}  // namespace lw::test
