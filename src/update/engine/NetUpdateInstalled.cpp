// An installed copy belongs to the system's package manager: an update that would change the
// installation is refused as a whole, before anything is downloaded, instead of failing file
// by file (or, run by root, replacing files behind the package manager's back).
#include <vector>

#include "NetUpdate.h"
#include "PathExpand.h"
#include "strutil/FileUtil.h"

namespace lw {

namespace {

int FileCountOrNone(const TControlFile& control) {
  try {
    return control.FilesCount().empty() ? 0 : control.FileCount();
  } catch (const std::exception&) {
    return 0;  // the file loop reports it, as in any layout
  }
}

}  // namespace

std::string TNetUpdate::InstalledTarget(const TControlFile& control) {
  if (!Layout.IsInstalled()) return {};
  std::vector<std::string> installation;
  for (const std::string& dir : {Layout.ProgramDir, Layout.ReadOnlyDir, Layout.UpdaterDir})
    if (!dir.empty()) installation.push_back(ResolvedDirectory(dir));
  const bool restart = control.AppUpdate() && !control.AppName().empty();
  const int count = FileCountOrNone(control);
  for (int i = 1; i <= count; ++i) {
    const TFileEntry e = control.File(i);
    // What is up to date changes nothing, wherever it lies.
    if (e.Url.empty() || !CheckVersions(e.Criteria.NewVersion, e.Criteria.LocalVersion,
                                        e.Criteria.NewChecksum, e.Criteria.NewSize))
      continue;
    const std::string target = ResolvedDirectory(LocalPath(e.TargetDir));
    for (const std::string& dir : installation)
      if (target.compare(0, dir.size(), dir) == 0) return target;
    // A new component of the running program is put in its directory by the updater at the
    // restart, wherever it was downloaded to.
    if (restart && IsAppComponent(control.AppComps(), e.Url))
      return ResolvedDirectory(Layout.ProgramDir);
  }
  return {};
}

}  // namespace lw
