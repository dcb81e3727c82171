// What a control file that nobody vouches for may do: fetched over plain http or FTP without
// a signature, anyone on the path may have written it, so it may fetch data but never run,
// replace or redirect anything.
#include "NetUpdate.h"
#include "PathExpand.h"
#include "TempFile.h"
#include "UpdateStatus.h"

namespace lw {

bool TNetUpdate::Refused(bool trusted, const std::string& what) {
  if (trusted) return false;
  ++FFailures;
  DoStatus(usRefusedUnsigned, what);
  return true;
}

bool TNetUpdate::AllowedTarget(const std::string& targetDir, const std::string& fileName) const {
  if (fileName.empty() || fileName == "." || fileName == "..") return false;
  const std::string target = ResolvedDirectory(targetDir);
  for (const std::string& root : {Layout.DataDir, TempDirectory()}) {
    if (root.empty()) continue;
    const std::string allowed = ResolvedDirectory(root);
    if (target.compare(0, allowed.size(), allowed) == 0) return true;
  }
  return false;
}

}  // namespace lw
