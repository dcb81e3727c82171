// The export window under the offscreen platform: its start, the field list's glyphs, the
// file controls and the full output name, the enabling rules while an export runs.
#include "ExportForm.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "DirectoryList.h"
#include "ExportFixture.h"
#include "FieldListDelegate.h"
#include "MessageBoxes.h"
#include "strutil/Volumes.h"

namespace lw::test {
namespace {

class ExportWindow : public ::testing::Test {
 protected:
  ExportWindow()
      : FSource(FDir.File("swap.db"),
                {Def("Result", ftAutoInc), Def("COMPANY", ftString, 20), Def("CITY", ftString, 20)},
                Records(40)) {
    FPreviousDir = QDir::currentPath();
    FPrevious = TMessageBoxes::SetHandler([this](const TMessage& m) {
      (m.Kind == TMessageKind::mkQuestion ? FQuestions : FMessages).push_back(m.Text.toStdString());
      FKinds.push_back(m.Kind);
      FCaptions.push_back(m.Caption.toStdString());
      return FAnswer;
    });
  }
  ~ExportWindow() override {
    TMessageBoxes::SetHandler(std::move(FPrevious));
    QDir::setCurrent(FPreviousDir);
  }

  static std::vector<std::vector<TValue>> Records(int n) {
    std::vector<std::vector<TValue>> rows;
    for (int i = 0; i < n; ++i)
      rows.push_back(
          {TValue::Null(), TValue::String("Company " + std::to_string(i)), TValue::String("City")});
    return rows;
  }

  QString Dir(const std::string& sub = "") {
    const std::string path = sub.empty() ? FDir.Path() : FDir.File(sub);
    std::filesystem::create_directories(path);
    return QString::fromStdString(path);
  }

  TTempDir FDir;
  TSourceTable FSource;
  TFixedVolumeSource FVolumes{{{"/", "ext4", "SYSTEM", "", false}}};
  QString FPreviousDir;
  TMessageHandler FPrevious;
  std::vector<std::string> FMessages;
  std::vector<std::string> FQuestions;
  std::vector<TMessageKind> FKinds;
  std::vector<std::string> FCaptions;
  bool FAnswer = false;
};

TEST_F(ExportWindow, OpeningChecksEveryFieldAndAClickOnTheGlyphTogglesItAtOnce) {
  TExportForm form(nullptr, &*FSource, nullptr, &FVolumes);
  form.show();
  ASSERT_EQ(form.FieldListBox->count(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(form.FieldListBox->item(i)->checkState(), Qt::Checked);
  EXPECT_EQ(form.FieldListBox->item(1)->text(), "COMPANY");
  EXPECT_EQ(form.FormatComboBox->currentIndex(), 0);
  EXPECT_TRUE(form.FullFileNameEdit->text().isEmpty());
  EXPECT_FALSE(form.FullFileNameEdit->isEnabled());

  QWidget* viewport = form.FieldListBox->viewport();
  const QRect row = form.FieldListBox->visualItemRect(form.FieldListBox->item(1));
  EXPECT_EQ(row.height(), TFieldListDelegate::kRowHeight);
  const QRect glyph(row.left() + TFieldListDelegate::kGlyphLeft, row.top(), 16, 16);
  const QImage before = viewport->grab(glyph).toImage();
  QTest::mouseClick(viewport, Qt::LeftButton, {}, glyph.center());
  EXPECT_EQ(form.FieldListBox->item(1)->checkState(), Qt::Unchecked);
  EXPECT_NE(viewport->grab(glyph).toImage(), before);
  // A click on the name selects the row without toggling it.
  QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(row.left() + 40, row.center().y()));
  EXPECT_EQ(form.FieldListBox->item(1)->checkState(), Qt::Unchecked);
  QTest::mouseClick(viewport, Qt::LeftButton, {}, glyph.center());
  EXPECT_EQ(form.FieldListBox->item(1)->checkState(), Qt::Checked);
  form.FieldListBox->clearSelection();
  EXPECT_EQ(viewport->grab(glyph).toImage(), before);
}

TEST_F(ExportWindow, ExportRightAfterOpeningSaysInvalidFileName) {
  TExportForm form(nullptr, &*FSource, nullptr, &FVolumes);
  form.show();
  form.ExportAction->trigger();
  EXPECT_EQ(FMessages, (std::vector<std::string>{"Invalid File Name."}));
  // The program's own message box: its title as caption, the stop icon.
  EXPECT_EQ(FCaptions, (std::vector<std::string>{"Ledgerwake"}));
  EXPECT_EQ(FKinds, (std::vector<TMessageKind>{TMessageKind::mkError}));
}

// After a change of folder the name box holds the list's mask: exporting then must not create
// a file literally named after it.
TEST_F(ExportWindow, AWildcardInTheNameIsRefused) {
  TExportForm form(nullptr, &*FSource, nullptr, &FVolumes);
  form.show();
  const QString dir = Dir("out");
  ASSERT_TRUE(form.SetDirectory(dir));
  ASSERT_EQ(form.FileNameEdit->text(), "*.*");
  form.ExportAction->trigger();
  form.FileNameEdit->setText("a?.csv");
  form.ExportAction->trigger();
  EXPECT_EQ(FMessages, (std::vector<std::string>{"Invalid File Name.", "Invalid File Name."}));
  EXPECT_TRUE(QDir(dir).entryList(QDir::Files).isEmpty());
}

// The tool buttons underline their captions' access keys and answer Alt+E, Alt+A, Alt+C.
TEST_F(ExportWindow, ToolButtonsCarryTheirAccessKeys) {
  TExportForm form(nullptr, &*FSource, nullptr, &FVolumes);
  form.show();
  auto button = [&form](QAction* a) {
    return qobject_cast<QToolButton*>(form.MenuToolBar->widgetForAction(a));
  };
  EXPECT_EQ(button(form.ExportAction)->text(), "&Export");
  EXPECT_EQ(button(form.ExportAction)->shortcut(), QKeySequence("Alt+E"));
  EXPECT_EQ(button(form.AbortAction)->shortcut(), QKeySequence("Alt+A"));
  EXPECT_EQ(button(form.CloseAction)->shortcut(), QKeySequence("Alt+C"));
}

TEST_F(ExportWindow, TheFullNameJoinsDirectoryAndNameWithOneSlash) {
  TExportForm form(nullptr, &*FSource, nullptr, &FVolumes);
  form.show();
  ASSERT_TRUE(form.SetDirectory("/"));
  form.FileNameEdit->setText("x.csv");
  EXPECT_EQ(form.FullFileNameEdit->text(), "/x.csv");
  const QString dir = Dir("sub");
  ASSERT_TRUE(form.SetDirectory(dir));
  // Re-reading the list with nothing selected writes the mask into the name.
  EXPECT_EQ(form.FileNameEdit->text(), "*.*");
  EXPECT_EQ(form.FullFileNameEdit->text(), dir + "/*.*");
  form.FileNameEdit->setText("y.csv");
  EXPECT_EQ(form.FullFileNameEdit->text(), dir + "/y.csv");
  EXPECT_EQ(form.DirLabel->text(), dir);
}

// A full path stands as typed; only choosing a file (Space, Enter) replaces the typed name.
TEST_F(ExportWindow, TheTargetIsWhatWasTypedOrChosen) {
  const QString dir = Dir("files");
  for (const char* name : {"first.csv", "second.csv"}) WriteFile(FDir.File("files/") + name, "x");
  TExportForm form(nullptr, &*FSource, nullptr, &FVolumes);
  form.show();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  ASSERT_TRUE(form.SetDirectory(dir));
  // Typed, then keys in the file list (none: not entered), and the name that results.
  const std::tuple<QString, std::vector<Qt::Key>, QString> cases[] = {
      {"/home/me/big.csv", {}, "/home/me/big.csv"},
      {"results.csv", {Qt::Key_Tab}, "results.csv"},
      {"results.csv", {Qt::Key_Return}, "first.csv"},
      {"results.csv", {Qt::Key_Down, Qt::Key_Space}, "second.csv"}};
  for (const auto& [typed, keys, name] : cases) {
    form.FileNameEdit->setFocus();
    form.FileNameEdit->setText(typed);
    for (int i = 0; !keys.empty() && i < 5 && !form.FileListBox->hasFocus(); ++i)
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    for (Qt::Key key : keys) QTest::keyClick(QApplication::focusWidget(), key);
    EXPECT_EQ(form.FileNameEdit->text(), name);
    EXPECT_EQ(form.FullFileNameEdit->text(), name.startsWith('/') ? name : dir + '/' + name);
  }
}

TEST_F(ExportWindow, TheTypeFilterMasksTheListAndAClickedFileBecomesTheName) {
  const QString dir = Dir("files");
  for (const char* name : {"a.csv", "B.CSV", "c.db", "d.txt", "noext"})
    WriteFile(dir.toStdString() + "/" + name, "x");
  TExportForm form(nullptr, &*FSource, nullptr, &FVolumes);
  form.show();
  ASSERT_TRUE(form.SetDirectory(dir));
  EXPECT_EQ(form.FileListBox->count(), 5);  // "*.*" lists names without a dot too
  form.FilterComboBox->setCurrentIndex(1);
  ASSERT_EQ(form.FileListBox->count(), 2);
  EXPECT_EQ(form.FileNameEdit->text(), "*.csv");
  EXPECT_EQ(form.FullFileNameEdit->text(), dir + "/*.csv");
  QTest::mouseClick(form.FileListBox->viewport(), Qt::LeftButton, {},
                    form.FileListBox->visualItemRect(form.FileListBox->item(1)).center());
  EXPECT_EQ(form.FileNameEdit->text(), "B.CSV");
  EXPECT_EQ(form.FullFileNameEdit->text(), dir + "/B.CSV");
  // The list's directory is the process's, so the next opening starts there.
  EXPECT_EQ(QDir::currentPath(), dir);
  TExportForm next(nullptr, &*FSource, nullptr, &FVolumes);
  EXPECT_EQ(next.Directory(), dir);
}

TEST_F(ExportWindow, ChoosingADriveMovesTheDirectoryList) {
  const QString mount = Dir("mnt/stick");
  FVolumes.List().push_back({mount.toStdString(), "vfat", "STICK", "", true});
  TExportForm form(nullptr, &*FSource, nullptr, &FVolumes);
  form.show();
  ASSERT_EQ(form.DriveComboBox->count(), 2);
  EXPECT_EQ(form.DriveComboBox->itemText(1), mount + " [STICK]");
  form.DriveComboBox->setCurrentIndex(1);
  emit form.DriveComboBox->activated(1);
  EXPECT_EQ(form.Directory(), mount);
  ASSERT_TRUE(form.SetDirectory("/"));
  EXPECT_EQ(form.DriveComboBox->currentIndex(), 0);
}

TEST_F(ExportWindow, WhileExportingOnlyAbortRespondsAndTheWindowStaysOpen) {
  TExportForm form(nullptr, &*FSource, nullptr, &FVolumes);
  form.show();
  ASSERT_TRUE(form.SetDirectory(Dir()));
  form.FileNameEdit->setText("out.csv");
  EXPECT_FALSE(form.AbortAction->isEnabled());
  EXPECT_TRUE(form.CloseAction->isEnabled());
  bool checked = false;
  QTimer::singleShot(0, &form, [&] {
    checked = true;
    EXPECT_TRUE(form.Exporting());
    EXPECT_TRUE(form.AbortAction->isEnabled());
    EXPECT_FALSE(form.CloseAction->isEnabled());
    EXPECT_FALSE(form.MainPanel->isEnabled());
    EXPECT_FALSE(form.close());
    form.CloseAction->trigger();
    EXPECT_TRUE(form.isVisible());
    form.AbortAction->trigger();
  });
  form.ExportAction->trigger();
  EXPECT_TRUE(checked);
  EXPECT_FALSE(form.Exporting());
  EXPECT_FALSE(form.AbortAction->isEnabled());
  EXPECT_TRUE(form.CloseAction->isEnabled());
  EXPECT_TRUE(form.MainPanel->isEnabled());
  EXPECT_EQ(form.ProgressBar->value(), 0);
  // Aborted during the first record: the header alone.
  EXPECT_EQ(ReadFile(FDir.File("out.csv")), "\"Result\",\"COMPANY\",\"CITY\"\r\n");
  EXPECT_TRUE(FMessages.empty());
  EXPECT_TRUE(form.close());
}

TEST_F(ExportWindow, AWholeExportLeavesTheLabelAndTheBarFull) {
  TExportForm form(nullptr, &*FSource, nullptr, &FVolumes);
  form.show();
  ASSERT_TRUE(form.SetDirectory(Dir()));
  form.FileNameEdit->setText("out.csv");
  form.ExportAction->trigger();
  EXPECT_EQ(form.ProgressLabel->text(), "  [100 %]   40 exported.");
  EXPECT_EQ(form.ProgressBar->value(), 100);
  // Again, answering No to the overwrite question: the file stays as it is.
  const std::string first = ReadFile(FDir.File("out.csv"));
  form.FieldListBox->item(0)->setCheckState(Qt::Unchecked);
  FAnswer = false;
  form.ExportAction->trigger();
  EXPECT_EQ(FQuestions, (std::vector<std::string>{"File already exists. Overwrite ?"}));
  EXPECT_EQ(ReadFile(FDir.File("out.csv")), first);
}

TEST_F(ExportWindow, DbaseUnderACsvNameWritesADbaseTable) {
  TExportForm form(nullptr, &*FSource, nullptr, &FVolumes);
  form.show();
  ASSERT_TRUE(form.SetDirectory(Dir()));
  form.FileNameEdit->setText("out.csv");
  form.FormatComboBox->setCurrentIndex(1);
  EXPECT_EQ(form.FullFileNameEdit->text(), Dir() + "/out.csv");
  form.ExportAction->trigger();
  EXPECT_TRUE(FMessages.empty()) << FMessages.front();
  TTable t;
  t.SetTableName(FDir.File("out.csv"));
  t.SetTableType(ttDBase);
  t.Open();
  EXPECT_EQ(t.RecordCount(), 40);
  EXPECT_EQ(t.Fields(1).FieldName(), "COMPANY");
}

TEST_F(ExportWindow, NoCheckedFieldSaysSoAndWritesNothing) {
  TExportForm form(nullptr, &*FSource, nullptr, &FVolumes);
  form.show();
  ASSERT_TRUE(form.SetDirectory(Dir()));
  form.FileNameEdit->setText("none.csv");
  for (int i = 0; i < form.FieldListBox->count(); ++i)
    form.FieldListBox->item(i)->setCheckState(Qt::Unchecked);
  form.ExportAction->trigger();
  EXPECT_EQ(FMessages, (std::vector<std::string>{"No fields selected."}));
  EXPECT_FALSE(std::filesystem::exists(FDir.File("none.csv")));
}

}  // namespace
}  // namespace lw::test

int main(int argc, char** argv) {
  // The tests need no screen, also when run by hand or listed by the build.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
