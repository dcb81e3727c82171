#include "ControlText.h"

namespace lw::publish {

namespace {

// A file in the target directory, written the way control files write paths ("{APP}\name").
std::string InTarget(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  return dir + (dir.back() == '\\' || dir.back() == '/' ? "" : "\\") + name;
}

void Key(std::string& s, const std::string& key, const std::string& value) {
  s += key + "=" + value + "\n";
}

}  // namespace

std::string ControlText(const TControlOptions& o, const std::vector<TControlEntry>& entries) {
  std::string s = "; written by lw-publish\n[update]\n";
  // Without a date every entry's own criterion decides what is downloaded.
  if (o.Date.empty())
    Key(s, "unconditional", "1");
  else
    Key(s, "date", o.Date);

  std::string comps, firstComponent;
  for (const TControlEntry& e : entries) {
    if (!e.Component) continue;
    if (firstComponent.empty()) firstComponent = InTarget(o.TargetDir, e.Name);
    comps += (comps.empty() ? "" : " ") + InTarget(o.TargetDir, e.Published);
  }
  if (!comps.empty()) {
    s += "[application]\n";
    Key(s, "appupdate", "1");
    Key(s, "appname", o.AppName.empty() ? firstComponent : o.AppName);
    Key(s, "appcomps", comps);
  }

  s += "[files]\n";
  Key(s, "count", std::to_string(entries.size()));
  for (size_t i = 0; i < entries.size(); ++i) {
    const TControlEntry& e = entries[i];
    s += "[file" + std::to_string(i + 1) + "]\n";
    const std::string size = std::to_string(e.Size) + " bytes";
    Key(s, "descr",
        e.Name + ";" + (e.Version.empty() ? size : "Version " + e.Version + ", " + size));
    Key(s, "url", e.Url);
    Key(s, "targetdir", o.TargetDir);
    Key(s, "localversion", InTarget(o.TargetDir, e.Name));
    if (!e.Version.empty())
      Key(s, "newversion", e.Version);
    else
      Key(s, "newchecksum", std::to_string(e.Checksum));
    if (e.Compressed) Key(s, "compressed", "1");
    Key(s, "size", std::to_string(e.Size));
    Key(s, "sha256", e.Sha256);
  }
  return s;
}

}  // namespace lw::publish
