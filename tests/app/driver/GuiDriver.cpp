// lw-gui-driver: drives the real main window for the screenshot script and the GUI bench.
//
//   lw-gui-driver screenshots --home DIR --out DIR
//       a search on the sample data, then main-window-searching.png (halfway),
//       main-window.png, saved-searches.png, record-view.png, radius-search.png (25 miles
//       around the record's zip) and about.png
//       (taken with ImageMagick's `import` from the X display the driver runs on); with
//       --news on also news-window.png (News pressed; the setup file's news address must
//       answer) and proxy-settings.png
//   lw-gui-driver bench --home DIR [--sic T] [--company T] [--zip T] [--state S]...
//       presses Go and reports, on stdout, the time from Go to "Total Records Found: ",
//       the count and the longest stall of the user-interface thread meanwhile
//   lw-gui-driver tour --home DIR [criteria]
//       a search, the record view of the first row and the news window (which fetches the
//       news when there is no news file yet), reported on stdout as "found=<count>",
//       "record=<company>" and "news=<first heading>"
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "AboutForm.h"
#include "AppStyle.h"
#include "CriteriaLists.h"
#include "DirectForm.h"
#include "IniFile.h"
#include "MainForm.h"
#include "MessageBoxes.h"
#include "RecordForm.h"
#include "SettingsKeys.h"
#include "SharedData.h"
#include "SummaryForm.h"
#include "TableThread.h"
#include "UpdateDriver.h"

namespace {

using namespace lw;

struct TArgs {
  std::string Mode;
  std::string Home;
  std::string Out;
  bool News = false;
  std::string SIC, SICDesc, Company, City, Zip;
  std::vector<std::string> States, Employees, Sales;
};

bool Parse(int argc, char** argv, TArgs& a) {
  if (argc < 2) return false;
  a.Mode = argv[1];
  for (int i = 2; i < argc; ++i) {
    const std::string o = argv[i];
    if (i + 1 >= argc) return false;
    const std::string v = argv[++i];
    if (o == "--home")
      a.Home = v;
    else if (o == "--out")
      a.Out = v;
    else if (o == "--news")
      a.News = v == "on";
    else if (o == "--sic")
      a.SIC = v;
    else if (o == "--sic-desc")
      a.SICDesc = v;
    else if (o == "--company")
      a.Company = v;
    else if (o == "--city")
      a.City = v;
    else if (o == "--zip")
      a.Zip = v;
    else if (o == "--state")
      a.States.push_back(v);
    else if (o == "--employees")
      a.Employees.push_back(v);
    else if (o == "--sales")
      a.Sales.push_back(v);
    else
      return false;
  }
  return !a.Home.empty();
}

template <size_t N>
void Select(QListWidget* list, const std::array<std::string_view, N>& rows,
            const std::vector<std::string>& wanted) {
  list->clearSelection();
  QListWidgetItem* first = nullptr;
  for (const std::string& w : wanted) {
    auto it = std::find(rows.begin(), rows.end(), w);
    if (it == rows.end()) continue;
    QListWidgetItem* item = list->item(static_cast<int>(it - rows.begin()));
    item->setSelected(true);
    if (!first) first = item;
  }
  // As a user leaves it: the first chosen row in sight.
  if (first) list->scrollToItem(first, QAbstractItemView::PositionAtTop);
}

// Every input is set, so that nothing of the last search the window brought back (the
// rows chosen, the radius) joins in.
void FillInputs(TMainForm& form, const TArgs& a) {
  form.NearEdit->clear();
  form.SICEdit->setText(QString::fromStdString(a.SIC));
  form.SICDescEdit->setText(QString::fromStdString(a.SICDesc));
  form.CompanyEdit->setText(QString::fromStdString(a.Company));
  form.CityEdit->setText(QString::fromStdString(a.City));
  form.ZipEdit->setText(QString::fromStdString(a.Zip));
  Select(form.StateListBox, StateRows, a.States);
  Select(form.EmployeeListBox, EmployeeRows, a.Employees);
  Select(form.SalesListBox, SalesRows, a.Sales);
}

void Wait(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

bool WaitForSearchEnd(TMainForm& form, int timeoutMs) {
  if (!form.Searching()) return true;
  QEventLoop loop;
  QObject::connect(&form, &TMainForm::SearchEnded, &loop, &QEventLoop::quit);
  QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
  loop.exec();
  return !form.Searching();
}

// The window as the X server shows it, cut from the root window.
bool Shot(QWidget* window, const QString& file) {
  QApplication::processEvents();
  Wait(400);
  const QRect r = window->frameGeometry();
  const QString crop =
      QStringLiteral("%1x%2+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y());
  const int rc = QProcess::execute(
      QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                 QStringLiteral("-crop"), crop, QStringLiteral("+repage"), file});
  std::printf("%s %s\n", rc == 0 ? "wrote" : "FAILED", qPrintable(file));
  return rc == 0;
}

// The news window after its first fetch, an item under the pointer's selection, and the
// proxy dialog opened from it.
bool NewsShots(TMainForm& form, const TArgs& a) {
  form.NewsActionExecute();
  TDirectForm* news = TDirectForm::Find(form.windowTitle() + QStringLiteral(" News"));
  if (!news) return false;
  for (int i = 0; i < 400 && news->DirectTreeView->topLevelItemCount() == 0; ++i) Wait(10);
  if (news->DirectTreeView->topLevelItemCount() == 0) return false;
  news->DirectTreeView->setCurrentItem(news->DirectTreeView->topLevelItem(0)->child(1));
  bool ok = Shot(news, QString::fromStdString(a.Out + "/news-window.png"));
  // A proxy as a user would have entered it (this run's settings stay in its own home).
  form.SharedData()->Params().SetValue(keys::kAppProxyHost, "proxy.example.lan");
  form.SharedData()->Params().SetValue(keys::kAppProxyPort, "3128");
  QTimer::singleShot(600, [&] {
    if (QWidget* proxy = QApplication::activeModalWidget()) {
      ok = Shot(proxy, QString::fromStdString(a.Out + "/proxy-settings.png")) && ok;
      proxy->close();
    }
  });
  news->ProxyActionExecute();
  news->close();
  return ok;
}

// The summary of the whole sample (a search without criteria): the bars by state and by SIC
// group, and the map.
bool SummaryShots(TMainForm& form, const TArgs& a) {
  form.ClearActionExecute();
  form.GoActionExecute();
  if (!WaitForSearchEnd(form, 60000)) return false;
  bool ok = false;
  QTimer::singleShot(300, [&] {
    auto* summary = qobject_cast<TSummaryForm*>(QApplication::activeModalWidget());
    for (int i = 0; summary && i < 500 && summary->Busy(); ++i) Wait(10);
    if (!summary || summary->Busy() || summary->ChartTabs->count() < 5) return;
    const char* files[] = {"/summary-states.png", "/summary-sic-groups.png",
                           "/summary-positions.png"};
    const int tabs[] = {0, 3, 4};
    ok = true;
    for (int i = 0; i < 3; ++i) {
      summary->ChartTabs->setCurrentIndex(tabs[i]);
      ok = Shot(summary, QString::fromStdString(a.Out + files[i])) && ok;
    }
    summary->close();
  });
  form.SummaryActionExecute();
  return ok;
}

TSharedDataOptions HomeOptions(const std::string& home) {
  TSharedDataOptions options;
  options.ProgramDir = home;
  return options;
}

// The main window started and shown, given time to settle, the criteria filled in; false
// when it did not start.
bool ShowWithCriteria(TMainForm& form, const TArgs& a, int settleMs) {
  if (!form.FormShow()) return false;
  form.show();
  Wait(settleMs);
  FillInputs(form, a);
  return true;
}

// The window in the middle of a search, its count running: the worker is let run in short
// steps (held as Pause would, without Pause's status) until it has found something.
bool SearchingShot(TMainForm& form, const TArgs& a) {
  form.GoActionExecute();
  form.Thread()->Suspend();
  while (form.Searching() && form.Thread()->Found() < 20) {
    form.Thread()->Resume();
    Wait(1);
    form.Thread()->Suspend();
    Wait(30);
  }
  if (!form.Searching()) return false;
  Wait(300);
  const bool ok = Shot(&form, QString::fromStdString(a.Out + "/main-window-searching.png"));
  form.Thread()->Resume();
  return WaitForSearchEnd(form, 60000) && ok;
}

// The saved-search drop-down open over the window, with a few searches saved.
bool SavedSearchesShot(TMainForm& form, const TArgs& a) {
  TIniFile* ini = form.SharedData()->ConfigIni();
  if (!ini) return false;
  TStoredSearch s = form.CurrentSearch();
  WriteSavedSearch(*ini, "Wholesale, CA and NY", s);
  s.Inputs.City = "new*";
  s.Options.IgnoreCase = true;
  WriteSavedSearch(*ini, "New York area, any case", s);
  s.Inputs.Company = "*Auto*";
  s.Options.Wildcards = true;
  WriteSavedSearch(*ini, "Car dealers", s);
  auto* button = form.SearchToolBar->widgetForAction(form.SearchesAction);
  QTimer::singleShot(300, [&] {
    const bool shot = Shot(&form, QString::fromStdString(a.Out + "/saved-searches.png"));
    form.SearchesMenu->close();
    if (!shot) ini = nullptr;
  });
  // Opened leftwards, so that the whole menu lies inside the window.
  const int left = button->width() - form.SearchesMenu->sizeHint().width();
  form.SearchesMenu->exec(button->mapToGlobal(QPoint(left, button->height())));
  return ini != nullptr;
}

// The radius around the zip of the row the record view showed, with the SIC codes kept.
bool RadiusShot(TMainForm& form, const TArgs& a, const QString& zip) {
  form.StateListBox->clearSelection();
  form.NearEdit->setText(zip.left(5));
  form.MilesSpinBox->setValue(25);
  form.GoActionExecute();
  if (!WaitForSearchEnd(form, 60000)) return false;
  form.DBGrid->selectRow(0);
  return Shot(&form, QString::fromStdString(a.Out + "/radius-search.png"));
}

int Screenshots(const TArgs& a) {
  TMainForm form(HomeOptions(a.Home));
  if (!ShowWithCriteria(form, a, 300)) return 1;
  bool ok = SearchingShot(form, a);
  form.GoActionExecute();
  if (!WaitForSearchEnd(form, 60000)) return 1;
  // A row in the middle of the first screen, as if the user had picked it.
  form.DBGrid->selectRow(4);
  form.DBGrid->setFocus();
  ok = Shot(&form, QString::fromStdString(a.Out + "/main-window.png")) && ok;
  ok = SavedSearchesShot(form, a) && ok;

  form.DBGridDblClick();
  Wait(200);
  QString zip;
  if (TRecordForm* record = form.RecordForm()) {
    ok = Shot(record, QString::fromStdString(a.Out + "/record-view.png")) && ok;
    zip = record->Address2Label->text().section(QLatin1Char(' '), -1);
    record->close();
  } else {
    ok = false;
  }
  ok = RadiusShot(form, a, zip) && ok;

  QTimer::singleShot(600, [&] {
    if (QWidget* about = QApplication::activeModalWidget()) {
      ok = Shot(about, QString::fromStdString(a.Out + "/about.png")) && ok;
      about->close();
    }
  });
  form.AboutActionExecute();
  if (a.News) ok = NewsShots(form, a) && ok;
  ok = SummaryShots(form, a) && ok;
  form.close();
  return ok ? 0 : 1;
}

int Bench(const TArgs& a) {
  TMainForm form(HomeOptions(a.Home));
  if (!ShowWithCriteria(form, a, 300)) return 1;

  // A timer that should fire every tick: any longer gap is time the user-interface thread
  // could not answer the user.
  constexpr int kTick = 5;
  QElapsedTimer sinceTick;
  qint64 longestGap = 0;
  QTimer ticker;
  ticker.setTimerType(Qt::PreciseTimer);
  qint64 longestGapAt = 0;
  QElapsedTimer clock;
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    const qint64 gap = sinceTick.restart();
    if (gap > longestGap) {
      longestGap = gap;
      longestGapAt = clock.elapsed();
    }
  });

  double seconds = -1;
  QString status;
  QObject::connect(&form, &TMainForm::StatusChanged, [&](const QString& text) {
    if (seconds < 0 && text.startsWith(QStringLiteral("Total Records Found: "))) {
      seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
      status = text;
    }
  });
  sinceTick.start();
  ticker.start(kTick);
  clock.start();
  form.GoActionExecute();
  const bool ended = WaitForSearchEnd(form, 600000);
  ticker.stop();
  if (!ended || seconds < 0) {
    std::fprintf(stderr, "lw-gui-driver: the search did not end\n");
    return 1;
  }
  std::printf("gui seconds=%.6f found=%s longest_stall_ms=%lld stall_ended_at_ms=%lld\n", seconds,
              qPrintable(status.mid(21)),
              static_cast<long long>(std::max<qint64>(0, longestGap - kTick)),
              static_cast<long long>(longestGapAt));
  form.close();
  return 0;
}

// The status line's text after the search, once it holds the count.
QString SearchAndCount(TMainForm& form) {
  QString found;
  const QString prefix = QStringLiteral("Total Records Found: ");
  QObject::connect(&form, &TMainForm::StatusChanged, [&](const QString& text) {
    if (found.isEmpty() && text.startsWith(prefix)) found = text.mid(prefix.size());
  });
  form.GoActionExecute();
  return WaitForSearchEnd(form, 60000) ? found : QString();
}

int Tour(const TArgs& a) {
  TMainForm form(HomeOptions(a.Home));
  if (!ShowWithCriteria(form, a, 100)) return 1;
  const QString found = SearchAndCount(form);
  if (found.isEmpty()) {
    std::fputs("lw-gui-driver: the search did not end\n", stderr);
    return 1;
  }
  std::printf("found=%s\n", qPrintable(found));

  form.DBGrid->selectRow(0);
  form.DBGridDblClick();
  Wait(100);
  TRecordForm* record = form.RecordForm();
  if (!record) return 1;
  std::printf("record=%s\n", qPrintable(record->CompanyLabel->text()));
  record->close();

  form.NewsActionExecute();
  TDirectForm* news = TDirectForm::Find(form.windowTitle() + QStringLiteral(" News"));
  for (int i = 0; news && i < 500 && news->DirectTreeView->topLevelItemCount() == 0; ++i) Wait(10);
  if (!news || news->DirectTreeView->topLevelItemCount() == 0) return 1;
  std::printf("news=%s\n", qPrintable(news->DirectTreeView->topLevelItem(0)->text(0)));
  news->close();
  form.close();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (const int rc = lw::UpdateDriverMain(argc, argv); rc >= 0) return rc;
  TArgs args;
  if (!Parse(argc, argv, args) || (args.Mode == "screenshots" && args.Out.empty()) ||
      (args.Mode != "screenshots" && args.Mode != "bench" && args.Mode != "tour")) {
    std::fputs(
        "usage: lw-gui-driver screenshots --home DIR --out DIR [criteria]\n"
        "       lw-gui-driver bench --home DIR [criteria]\n"
        "       lw-gui-driver tour --home DIR [criteria]\n"
        "criteria: --sic --sic-desc --company --city --zip TEXT, --state --employees --sales ROW\n",
        stderr);
    return 2;
  }
  QApplication app(argc, argv);
  ApplyApplicationLook(app);
  // Notices (the sample-data one) are acknowledged at once; errors are printed.
  TMessageBoxes::SetHandler([](const TMessage& m) {
    if (m.Kind == TMessageKind::mkError) std::fprintf(stderr, "error: %s\n", qPrintable(m.Text));
    return false;
  });
  if (args.Mode == "tour") return Tour(args);
  return args.Mode == "screenshots" ? Screenshots(args) : Bench(args);
}
