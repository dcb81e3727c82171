// libFuzzer target for the update control file: every key of every section read through the
// in-memory INI reader, path expansion of each value, the criteria and the signature verifier.
//
// Input: the bytes of a control file.
#include <cstdint>
#include <string>
#include <string_view>

#include "ControlFile.h"
#include "Minisign.h"
#include "PathExpand.h"
#include "UpdateDate.h"
#include "Versions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  auto resolve = [](const std::string& n) { return n == "APP" ? std::string("/x{APP}") : ""; };
  lw::TControlFile c(std::string(text),
                     [&](const std::string& v) { return lw::ExpandPath(v, nullptr, resolve); });
  (void)c.Signature();
  (void)lw::ParseUpdateDate(c.Date(), "dd/mm/yyyy", '/');
  const lw::TUpdateCriteria u = c.UpdateCriteria();
  lw::TFileVersion64 v;
  (void)lw::ParseVersionText(u.NewVersion, v);
  (void)lw::UpdateKindOf(c.Date(), u.NewVersion, u.LocalVersion, u.NewChecksum, u.NewSize);
  (void)c.AppName();
  (void)c.AppComps();
  (void)c.Msg();
  (void)c.Query();
  (void)c.RunAfter();
  (void)c.EulaDecline();
  try {
    const int n = c.FileCount();
    for (int i = 1; i <= n && i <= 64; ++i) (void)c.File(i);
  } catch (const std::exception&) {
  }
  // The same bytes as a signature of themselves under a fixed key.
  std::string error;
  (void)lw::VerifyMinisign(std::string(text), std::string(text),
                           "RWTdzHwbY2F34q3faaZAagJaZljGL8U8RD1Kc2KOddof6baURKA8EETY", error);
  return 0;
}
