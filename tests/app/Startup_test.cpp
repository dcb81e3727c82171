// Start-up: the error box of a failed start, and one running copy per user.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QTimer>
#include <QUuid>

#include "GuiTestSupport.h"
#include "IniFile.h"
#include "MainForm.h"
#include "SingleInstance.h"

namespace lw::test {
namespace {

bool AnyWindowVisible() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible()) return true;
  return false;
}

TEST(StartupTest, BothTablesMissingShowOneBoxAndLeaveNoWindow) {
  TTempDir dir;
  const std::string config = dir.File("lwconfig.ini");
  {
    TIniFile ini(config);
    ini.WriteString("Grid View", "Col0", ";COMPANY;Company;200;1");
  }
  TMessageLog log;
  {
    TMainForm form(OptionsFor(dir.Path() + "/"));
    EXPECT_FALSE(form.FormShow());
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(AnyWindowVisible());
    // A second call does not show the box again.
    EXPECT_FALSE(form.FormShow());
  }
  const auto errors = log.OfKind(TMessageKind::mkError);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].Caption, QStringLiteral("Ledgerwake"));
  const QString text = errors[0].Text;
  EXPECT_EQ(text.count(QStringLiteral("\r\nFile not found. '")), 2) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("sample/sample.db'")));
  EXPECT_TRUE(text.contains(QStringLiteral("data/swap.db'")));
  // The failed start leaves the saved grid layout as it was.
  const auto lines = TIniFile(config).ReadSectionValues("Grid View");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "Col0=;COMPANY;Company;200;1");
}

// The box of a failed start stands in the middle of the screen, the window never shown.
TEST(StartupTest, TheStartupErrorBoxIsCentredOnTheScreen) {
  TTempDir dir;
  QPoint boxCentre;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (!box || !box->isVisible()) continue;
      if (box->icon() == QMessageBox::Critical) boxCentre = box->frameGeometry().center();
      box->done(QMessageBox::Ok);
    }
  });
  poll.start(20);
  TMainForm form(OptionsFor(dir.Path() + "/"));
  EXPECT_FALSE(form.FormShow());
  poll.stop();
  const QPoint screenCentre = QApplication::primaryScreen()->availableGeometry().center();
  EXPECT_LE((boxCentre - screenCentre).manhattanLength(), 4)
      << boxCentre.x() << "," << boxCentre.y() << " vs " << screenCentre.x() << ","
      << screenCentre.y();
}

TEST(StartupTest, ShowingWithoutFormShowStillClosesAfterAFailedStart) {
  TTempDir dir;
  TMessageLog log;
  TMainForm form(OptionsFor(dir.Path() + "/"));
  form.show();
  ASSERT_TRUE(WaitUntil([&] { return !form.isVisible(); }, 5000));
  EXPECT_EQ(log.OfKind(TMessageKind::mkError).size(), 1u);
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Names of our own, so that a copy of the program the user has open is not disturbed.
    Suffix = QUuid::createUuid().toString(QUuid::WithoutBraces).toUtf8();
    qputenv("LW_INSTANCE_SUFFIX", Suffix);
  }
  void TearDown() override { qunsetenv("LW_INSTANCE_SUFFIX"); }
  QByteArray Suffix;
};

TEST_F(SingleInstanceTest, OnlyTheFirstClaimSucceedsAndTheLockIsFreedAfterwards) {
  {
    TSingleInstance first;
    ASSERT_TRUE(first.Claim());
    TSingleInstance second;
    EXPECT_FALSE(second.Claim());
    EXPECT_EQ(first.ServerName(), second.ServerName());
    EXPECT_TRUE(first.ServerName().contains(QString::fromLatin1(Suffix)));
    EXPECT_TRUE(first.ServerName().contains(QStringLiteral("TALVERN-Ledgerwake-v2.0")));
  }
  TSingleInstance again;
  EXPECT_TRUE(again.Claim());
}

TEST_F(SingleInstanceTest, ASecondProcessActivatesTheFirstAndExitsWithZero) {
  TSingleInstance first;
  ASSERT_TRUE(first.Claim());
  int activations = 0;
  QObject::connect(&first, &TSingleInstance::ActivationRequested, [&] { ++activations; });

  TProgramHome home(50);
  QProcess second;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QStringLiteral("LW_INSTANCE_SUFFIX"), QString::fromLatin1(Suffix));
  second.setProcessEnvironment(env);
  second.start(QStringLiteral(LW_PROGRAM),
               {QStringLiteral("--home"), QString::fromStdString(home.Path())});
  ASSERT_TRUE(second.waitForStarted(10000));
  // The second copy waits for our answer, so our event loop must run meanwhile.
  ASSERT_TRUE(WaitUntil([&] { return second.state() == QProcess::NotRunning; }, 20000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_EQ(activations, 1);
}

TEST_F(SingleInstanceTest, ActivationRestoresAMinimizedWindow) {
  TProgramHome home(50);
  TMessageLog log;
  TMainForm form(OptionsFor(home));
  ASSERT_TRUE(form.FormShow());
  form.show();
  form.showMinimized();
  ASSERT_TRUE(WaitUntil([&] { return form.isMinimized(); }, 5000));
  TSingleInstance first;
  ASSERT_TRUE(first.Claim());
  QObject::connect(&first, &TSingleInstance::ActivationRequested, &form, &TMainForm::BringToFront);
  emit first.ActivationRequested();
  EXPECT_FALSE(form.isMinimized());
  EXPECT_TRUE(form.isVisible());
  form.close();
}

// --help and --version answer on stdout and end, with no display to open a window on.
TEST(StartupTest, HelpAndVersionNeedNoDisplay) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
  const std::pair<const char*, const char*> answers[] = {{"--version", "ledgerwake (Ledgerwake) "},
                                                         {"--help", "usage: ledgerwake "}};
  for (const auto& [option, start] : answers) {
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(LW_PROGRAM), {QString::fromLatin1(option)});
    ASSERT_TRUE(program.waitForFinished(20000)) << option;
    EXPECT_EQ(program.exitCode(), 0) << option;
    EXPECT_TRUE(program.readAllStandardOutput().startsWith(start)) << option;
  }
}

}  // namespace
}  // namespace lw::test
