#include "Startup.h"

#include <QApplication>
#include <QFileInfo>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "AppStyle.h"
#include "MainForm.h"
#include "MessageBoxes.h"
#include "SingleInstance.h"
#include "strutil/FileUtil.h"
#include "strutil/VersionInfo.h"

namespace lw {

namespace {

constexpr char kUsage[] =
    "usage: ledgerwake [--home DIR] [TABLE]\n"
    "       ledgerwake --help | --version\n"
    "\n"
    "Searches a table of business listings and shows the matches in a window.\n"
    "\n"
    "  TABLE       search this table of the listings layout (.db or .dbf) in this session\n"
    "  --home DIR  program directory to run from (default: this program's)\n"
    "  --help      this text\n"
    "  --version   the version\n";

// The program's command line once the toolkit has taken its own options out.
struct TCommandLine {
  std::string Home;
  QString Table;
  QString Error;  // a command line that does not fit
};

TCommandLine ParseCommandLine(const QStringList& args) {
  TCommandLine out;
  for (int i = 1; i < args.size(); ++i) {
    const QString& a = args[i];
    if (a == QLatin1String("--home") && i + 1 < args.size()) {
      out.Home = args[++i].toStdString();
    } else if (a.startsWith(QLatin1String("--home="))) {
      out.Home = a.mid(7).toStdString();
    } else if (a.startsWith(QLatin1Char('-')) || !out.Table.isEmpty()) {
      out.Error = QStringLiteral("unexpected argument '%1'").arg(a);
    } else {
      out.Table = a;
    }
  }
  return out;
}

int PrintVersion() {
  TFileVersionInfo v;
  if (!ReadFileVersionInfo(ProgramPath(), v)) v = BuiltInVersionInfo();
  std::printf("ledgerwake (%s) %s\n", v.ProductName.c_str(), v.ProductVersion.c_str());
  if (!v.LegalCopyright.empty()) std::printf("%s\n", v.LegalCopyright.c_str());
  return std::fflush(stdout) == 0 ? 0 : 1;
}

int Run(QApplication& app, const TCommandLine& line) {
  TSingleInstance instance;
  if (!instance.Claim()) {
    instance.ActivateRunning();
    return 0;
  }
  ApplyApplicationLook(app);
  TSharedDataOptions options;
  options.ProgramDir = line.Home;
  // The named table stands in for the medium's or the sample from the start, so that a
  // machine without either still runs on it.
  if (!line.Table.isEmpty())
    options.SourceTable = QFileInfo(line.Table).absoluteFilePath().toStdString();
  TMainForm form(std::move(options));
  QObject::connect(&instance, &TSingleInstance::ActivationRequested, &form,
                   &TMainForm::BringToFront);
  if (!form.FormShow()) return 0;
  form.show();
  if (!line.Table.isEmpty()) form.OpenTable(line.Table);
  app.exec();
  return 0;
}

}  // namespace

int RunLedgerwake(int argc, char** argv) {
  // Answered before the toolkit starts: these need no display.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (std::strcmp(argv[i], "--version") == 0) return PrintVersion();
  }
  QApplication app(argc, argv);
  app.setApplicationName(QString::fromLatin1(kApplicationTitle));
  // The window class (X11) is the application name; the desktop entry's StartupWMClass
  // says the same, and Wayland matches the window to the entry by this name.
  app.setDesktopFileName(QStringLiteral("ledgerwake"));
  const TCommandLine line = ParseCommandLine(QApplication::arguments());
  if (!line.Error.isEmpty()) {
    std::fprintf(stderr, "ledgerwake: %s\n%s", line.Error.toLocal8Bit().constData(), kUsage);
    return 2;
  }
  try {
    return Run(app, line);
  } catch (const std::exception& e) {
    TMessageBoxes::ShowError(nullptr, QString::fromLocal8Bit(e.what()));
  }
  return 0;
}

}  // namespace lw
