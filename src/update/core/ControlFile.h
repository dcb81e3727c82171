#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "IniFile.h"

namespace lw {

// A `files` count that is no number: the one failure of a control file that ends the run
// as an exception for its owner.
class EControlFileCount : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The version criteria of the `update` section or of one `fileN` entry.
struct TUpdateCriteria {
  std::string NewVersion;    // "major.minor.release.build"
  std::string LocalVersion;  // expanded path of the local file compared
  int64_t NewSize = 0;
  int64_t NewChecksum = -1;
};

// One `fileN` entry of the file list.
struct TFileEntry {
  std::string Descr;  // "name;description" with "%CR%" line breaks
  std::string Url;    // expanded; empty skips the entry
  TUpdateCriteria Criteria;
  std::string CustomVersion;  // handed to the file-version-check event
  std::string TargetDir;      // expanded, ends in a separator unless empty
  bool Compressed = false;    // LZ ("SZDD") compressed
  std::string Sha256;         // optional hex digest the downloaded file must match
  int64_t Size = 0;           // optional size of the file as served; more is refused
};

// The update control file: an INI text that says whether an update exists and what to show,
// run and download. Every key has its type and default here; values marked "expanded" go
// through the owner's path expansion. Section and key names match without regard to case.
//
// The text is parsed once, when the object is made, from the bytes the caller checked (its
// signature was verified on exactly those bytes); nothing is read from disk afterwards, so
// no other process can change what a run acts on.
class TControlFile {
 public:
  using TExpand = std::function<std::string(const std::string&)>;

  TControlFile(const std::string& content, TExpand expand);

  // [update]
  std::string Signature() const { return Text("update", "signature"); }
  std::string Date() const { return Text("update", "date"); }
  std::string Unconditional() const { return Text("update", "unconditional"); }
  TUpdateCriteria UpdateCriteria() const { return Criteria("update"); }
  // [custom]
  std::string ValidateMsg() const { return Text("custom", "validatemsg"); }
  std::string ValidateParam() const { return Text("custom", "validateparam"); }
  std::string ProcessMsg() const { return Text("custom", "processmsg"); }
  std::string ProcessParam() const { return Text("custom", "processparam"); }
  // [application]
  bool AppUpdate() const { return Integer("application", "appupdate", 0) == 1; }
  std::string AppName() const { return Expanded("application", "appname"); }
  std::string AppComps() const { return Expanded("application", "appcomps"); }
  bool SilentRestart() const { return Integer("application", "silentrestart", 0) == 1; }
  // [action]; `msg` and `query` have their "\n" pairs turned into line breaks.
  std::string Msg() const { return LineBreaks(Text("action", "msg")); }
  std::string HtmlDlg() const { return Expanded("action", "htmldlg"); }
  std::string RunBefore() const { return Expanded("action", "runbefore"); }
  std::string Query() const { return LineBreaks(Text("action", "query")); }
  std::string UpdateURL() const { return Text("action", "updateURL"); }
  std::string ShowURL() const { return Expanded("action", "showURL"); }
  std::string RunAfter() const { return Expanded("action", "runafter"); }
  // [whatsnew] and [eula]; the files are URLs, not expanded.
  std::string WhatsNewFile() const { return Text("whatsnew", "file"); }
  std::string WhatsNewCaption() const { return Text("whatsnew", "caption"); }
  std::string WhatsNewOkBtn() const { return Text("whatsnew", "okbtn", "Ok"); }
  std::string WhatsNewCancelBtn() const { return Text("whatsnew", "cancelbtn", "Cancel"); }
  std::string EulaFile() const { return Text("eula", "file"); }
  std::string EulaCaption() const { return Text("eula", "caption"); }
  std::string EulaOkBtn() const { return Text("eula", "okbtn", "Ok"); }
  // The accept label; the decline choice shows "I do not accept" unless a control file sets
  // `accept`, which is then read for both (there is no key of its own for the decline).
  std::string EulaAccept() const { return Text("eula", "accept", "I accept"); }
  // The decline choice has a key of its own: reading `accept` for it too would label both
  // choices alike whenever a control file sets the accept text.
  std::string EulaDecline() const { return Text("eula", "decline", "I do not accept"); }
  // [files]: the raw count text ("" means no file list). FileCount() throws
  // EControlFileCount "'<text>' is not a valid integer value" for a text that is no number;
  // a count past the last `fileN` section present is cut there (the entries beyond it would
  // all be empty), and a negative one is 0.
  std::string FilesCount() const { return Text("files", "count"); }
  int FileCount() const;
  // [fileN], N counted from 1.
  TFileEntry File(int n) const;

  // "\n" pairs (backslash, n) become carriage returns.
  static std::string LineBreaks(const std::string& s);

 private:
  std::string Text(const char* section, const char* key, const char* def = "") const;
  std::string Expanded(const std::string& section, const char* key) const;
  int64_t Integer(const std::string& section, const char* key, int64_t def) const;
  TUpdateCriteria Criteria(const std::string& section) const;

  TIniText FIni;
  TExpand FExpand;
  int FLastFileSection = 0;  // the highest N of a `fileN` section
};

// The whole text as a decimal integer (optional sign, surrounding blanks allowed); false for
// anything else.
bool StrictInteger(const std::string& text, int64_t& value);

}  // namespace lw
