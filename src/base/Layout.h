#pragma once

#include <string>

namespace lw {

// Where one run of the program reads and writes its files, decided once at start from the
// program directory.
//
// Portable: the program directory can be written (the build folder, an unpacked archive, a
// copy in the user's home), so everything lies beside the program. Installed: the program
// directory cannot be written, or it is the bin/ of an installation with share/ledgerwake/
// beside it (also when root runs it, so that nothing is ever written into /usr/bin); the
// read-only files then come from share/ledgerwake/ (or from the program directory itself
// when there is none, as on a read-only medium), the updater from libexec/ledgerwake/, and
// what the program writes goes to the user's XDG directories.
struct TLayout {
  enum TKind { Portable, Installed };
  TKind Kind = Portable;
  std::string ProgramDir;   // the programs; with trailing '/'
  std::string ReadOnlyDir;  // setup.ini, sample/sample.db, data/swap.db (the template)
  std::string ConfigDir;    // the user settings file, the update's remembered values
  std::string HomeDir;      // relative directory settings are taken from here
  std::string DataDir;      // default data directory (the result table)
  std::string TempDir;      // default temporary directory
  std::string NewsDir;      // a relative news file setting is taken from here
  std::string UpdaterDir;   // the updater program `upd`

  bool IsInstalled() const { return Kind == Installed; }
  const char* KindName() const { return Kind == Installed ? "installed" : "portable"; }
  // The lines `ledgerwake-cli --version` shows: the layout's name and its directories.
  std::string Description() const;
};

// The layout for the program directory `programDir` (with or without trailing '/').
TLayout DecideLayout(const std::string& programDir);

// The user's XDG base directories with trailing '/': the variable when it holds an absolute
// path, else the default under $HOME.
std::string XdgConfigHome();
std::string XdgDataHome();
std::string XdgCacheHome();

}  // namespace lw
