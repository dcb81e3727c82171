// lw-gui-driver's update modes:
//
//   lw-gui-driver update --home DIR --url URL [--key PUBLIC-KEY] [--out DIR]
//       the main window's Updates with the control file at URL: Next, every offered update
//       chosen, Next, and Finish on the Complete page; with --out, the four pages are written
//       as update-welcome.png, update-select.png, update-download.png and update-complete.png;
//       the Complete page's text is printed as "complete=<text>" on one line
//   lw-gui-driver version --home DIR --out FILE
//       the main window's About window; its version line is written to FILE
#include "UpdateDriver.h"

#include <QApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "AboutForm.h"
#include "AppStyle.h"
#include "MainForm.h"
#include "MessageBoxes.h"
#include "SettingsKeys.h"
#include "UpdateForm.h"
#include "UpdateTree.h"

namespace lw {

namespace {

std::string Option(int argc, char** argv, const char* name) {
  for (int i = 2; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], name) == 0) return argv[i + 1];
  return {};
}

void Wait(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

bool Shot(QWidget* window, const std::string& file) {
  QApplication::processEvents();
  Wait(300);
  const QRect r = window->frameGeometry();
  const QString crop =
      QStringLiteral("%1x%2+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y());
  const int rc =
      QProcess::execute(QStringLiteral("import"),
                        {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-crop"),
                         crop, QStringLiteral("+repage"), QString::fromStdString(file)});
  std::printf("%s %s\n", rc == 0 ? "wrote" : "FAILED", file.c_str());
  return rc == 0;
}

int RunUpdate(TMainForm& form, const std::string& url, const std::string& key,
              const std::string& out) {
  form.SharedData()->Params().SetValue(keys::kProductUpdateUrl, url);
  if (!key.empty()) form.SharedData()->Params().SetValue(keys::kProductUpdateKey, key);
  int step = 0;
  int completeTicks = 0;
  bool ok = true;
  QTimer poll;
  poll.setInterval(20);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* w = form.findChild<TUpdateForm*>();
    if (!w || !w->isVisible()) return;
    // Each step once; a screenshot waits inside, so the timer stops meanwhile. It runs again
    // before a click that nests the rest of the run.
    poll.stop();
    if (step == 0 && w->Page() == TUpdateForm::pgWelcome) {
      if (!out.empty()) ok = Shot(w, out + "/update-welcome.png") && ok;
      ++step;
      poll.start();
      w->NextBtn->click();  // the run: nested until the wizard is done
      return;
    } else if (step == 1 && w->Page() == TUpdateForm::pgSelect) {
      for (int i = 0; w->UpdateNode(i); ++i) {
        w->LocalTreeView->setCurrentItem(w->UpdateNode(i));
        if (w->LocalTreeView->OnToggle) w->LocalTreeView->OnToggle(w->UpdateNode(i));
      }
      if (!out.empty()) ok = Shot(w, out + "/update-select.png") && ok;
      ++step;
      poll.start();
      w->NextBtn->click();
      return;
    } else if (step == 2 && w->Page() == TUpdateForm::pgDownload && !out.empty() &&
               w->ProgressBar->value() > w->ProgressBar->maximum() / 4) {
      ok = Shot(w, out + "/update-download.png") && ok;
      ++step;
    } else if (step >= 1 && w->Page() == TUpdateForm::pgComplete &&
               (w->RestartAccepted() || step == 1 || ++completeTicks > 50)) {
      // The last download shows Complete just before the engine asks for the restart: a
      // Finish in between would refuse it, so the driver waits for the question (1 s at most).
      // A run that offered nothing comes here straight from the first page: no restart.
      if (!out.empty()) ok = Shot(w, out + "/update-complete.png") && ok;
      std::printf("complete=%s\n", qPrintable(w->FinishLabel->text().simplified()));
      step = 9;
      w->CancelBtn->click();  // Finish
      return;
    }
    poll.start();
  });
  poll.start();
  form.UpdateActionExecute();
  poll.stop();
  if (step != 9) std::fprintf(stderr, "lw-gui-driver: the wizard stopped at step %d\n", step);
  return step == 9 && ok ? 0 : 1;
}

int RunVersion(TMainForm& form, const std::string& out) {
  QTimer::singleShot(300, [&] {
    if (auto* about = qobject_cast<TAboutForm*>(QApplication::activeModalWidget())) {
      std::ofstream(out) << about->AppVersionLabel->text().toStdString() << "\n";
      about->close();
    }
  });
  form.AboutActionExecute();
  return 0;
}

}  // namespace

int UpdateDriverMain(int argc, char** argv) {
  if (argc < 2) return -1;
  const std::string mode = argv[1];
  if (mode != "update" && mode != "version") return -1;
  const std::string home = Option(argc, argv, "--home");
  const std::string out = Option(argc, argv, "--out");
  const std::string url = Option(argc, argv, "--url");
  const std::string key = Option(argc, argv, "--key");
  if (home.empty() || (mode == "update" && url.empty()) || (mode == "version" && out.empty())) {
    std::fputs(
        "usage: lw-gui-driver update --home DIR --url URL [--key PUBLIC-KEY] [--out DIR]\n"
        "       lw-gui-driver version --home DIR --out FILE\n",
        stderr);
    return 2;
  }
  QApplication app(argc, argv);
  ApplyApplicationLook(app);
  TMessageBoxes::SetHandler([](const TMessage& m) {
    if (m.Kind == TMessageKind::mkError) std::fprintf(stderr, "error: %s\n", qPrintable(m.Text));
    return m.Kind == TMessageKind::mkQuestion;
  });
  TSharedDataOptions options;
  options.ProgramDir = home;
  TMainForm form(std::move(options));
  if (!form.FormShow()) return 1;
  form.show();
  Wait(300);
  const int rc = mode == "update" ? RunUpdate(form, url, key, out) : RunVersion(form, out);
  form.close();
  return rc;
}

}  // namespace lw
