#include "Startup.h"

#include <QApplication>
#include <cstring>
#include <exception>
#include <string>

#include "AppStyle.h"
#include "MainForm.h"
#include "MessageBoxes.h"
#include "SingleInstance.h"

namespace lw {

namespace {

std::string HomeOption(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--home") == 0) return argv[i + 1];
  return {};
}

int Run(QApplication& app, const std::string& home) {
  TSingleInstance instance;
  if (!instance.Claim()) {
    instance.ActivateRunning();
    return 0;
  }
  ApplyApplicationLook(app);
  TSharedDataOptions options;
  options.ProgramDir = home;
  TMainForm form(std::move(options));
  QObject::connect(&instance, &TSingleInstance::ActivationRequested, &form,
                   &TMainForm::BringToFront);
  if (!form.FormShow()) return 0;
  form.show();
  app.exec();
  return 0;
}

}  // namespace

int RunLedgerwake(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setApplicationName(QString::fromLatin1(kApplicationTitle));
  // The window class (X11) is the application name; the desktop entry's StartupWMClass
  // says the same, and Wayland matches the window to the entry by this name.
  app.setDesktopFileName(QStringLiteral("ledgerwake"));
  try {
    return Run(app, HomeOption(argc, argv));
  } catch (const std::exception& e) {
    TMessageBoxes::ShowError(nullptr, QString::fromLocal8Bit(e.what()));
  }
  return 0;
}

}  // namespace lw
