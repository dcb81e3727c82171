// The settings list: filled from the setup file and the user settings file, written back to
// the latter at the end of the run.
#include <string_view>

#include "SettingsDefaults.h"
#include "SettingsKeys.h"
#include "SharedData.h"
#include "strutil/FileUtil.h"
#include "strutil/StrUtil.h"

namespace lw {

namespace {

bool IsDirectorySetting(std::string_view key) {
  return key == keys::kAppDataDir || key == keys::kAppTempDir;
}

}  // namespace

// A directory setting is absolute or relative to the layout's home: the program directory
// when portable, the user's data directory when installed. A relative one (the default
// "data/", or "data\" as Windows wrote it) is what makes a copied or moved portable
// installation use its own data. The empty value stays empty: it is an error of its own.
std::string TSharedData::ProgramPlace(const std::string& setting) const {
  if (setting.empty() || setting.front() == '/') return setting;
  return PlaceHome() + SlashPath(setting);
}

// The inverse for writing: a place inside the layout's home is written relative to it.
std::string TSharedData::PlaceSetting(const std::string& dir) const {
  const std::string home = PlaceHome();
  if (home.empty() || dir.compare(0, home.size(), home) != 0) return dir;
  const std::string rest = dir.substr(home.size());
  return rest.empty() ? "./" : rest;
}

std::string TSharedData::NewsFilePath() const {
  const std::string file = SlashPath(FParams.Value(keys::kNewsFile));
  if (file.empty() || file.front() == '/' || FLayout.NewsDir.empty()) return file;
  return FLayout.NewsDir + file;
}

const std::string& TSharedData::PlaceHome() const {
  return FLayout.HomeDir.empty() ? FProgramDir : FLayout.HomeDir;
}

void TSharedData::LoadParams() {
  TParams& p = FParams;
  {
    const TIniFile setup((AppSrcDir().empty() ? FLayout.ReadOnlyDir : AppSrcDir()) + "setup.ini");

    p.SetValue(keys::kAuthorName, AuthorCompany());
    p.SetValue(keys::kAuthorCompany, AuthorCompany());
    p.SetValue(keys::kAuthorCopyright, AuthorCopyright());
    p.SetValue(keys::kAuthorContact, defaults::kAuthorContact);
    p.SetValue(keys::kAuthorPhone, defaults::kAuthorPhone);
    p.SetValue(keys::kAuthorFax, defaults::kAuthorFax);
    p.SetValue(keys::kAuthorEmail, defaults::kAuthorEmail);
    p.SetValue(keys::kAuthorUrl, defaults::kAuthorUrl);

    p.SetValue(keys::kProductName, ProductName());
    p.SetValue(keys::kProductVersion, ProductVersion());
    p.SetValue(keys::kProductCode, ProductId());

    p.SetValue(keys::kProductEmail, setup.ReadString("PRODUCT", "email", defaults::kProductEmail));
    p.SetValue(keys::kProductLogo, setup.ReadString("PRODUCT", "logo", defaults::kProductLogo));
    p.SetValue(keys::kProductUrl, setup.ReadString("PRODUCT", "url", defaults::kProductUrl));
    p.SetValue(keys::kProductOrderUrl,
               setup.ReadString("PRODUCT", "orderurl", defaults::kProductOrderUrl));
    p.SetValue(keys::kProductUpdateUrl,
               setup.ReadString(
                   "PRODUCT", "dupdateurl",
                   defaults::kProductUpdateUrlBase + Str_Lower(ProductId()) + "21update.inf"));
    p.SetValue(keys::kProductUpdateKey, setup.ReadString("PRODUCT", "updatekey", ""));

    p.SetValue(keys::kDistName, setup.ReadString("DISTRIBUTOR", "name", defaults::kDistName));
    p.SetValue(keys::kDistCompany,
               setup.ReadString("DISTRIBUTOR", "company", defaults::kDistCompany));
    p.SetValue(keys::kDistUrl, setup.ReadString("DISTRIBUTOR", "url", defaults::kDistUrl));
    p.SetValue(keys::kDistContact,
               setup.ReadString("DISTRIBUTOR", "contact", defaults::kDistContact));
    p.SetValue(keys::kDistEmail, setup.ReadString("DISTRIBUTOR", "email", defaults::kDistEmail));
    p.SetValue(keys::kDistPhone, setup.ReadString("DISTRIBUTOR", "phone", defaults::kDistPhone));
    p.SetValue(keys::kDistFax, setup.ReadString("DISTRIBUTOR", "fax", defaults::kDistFax));

    p.SetValue(keys::kNewsUrl, setup.ReadString("NEWS", "url", defaults::kNewsUrl));
    p.SetValue(keys::kNewsFile, setup.ReadString("NEWS", "file", defaults::kNewsFile));
    // Only "http:" and "https:" addresses are fetched (servers move their pages to https);
    // anything else (other schemes, capitals) is dropped rather than handed to the news client.
    const std::string newsUrl = p.Value(keys::kNewsUrl);
    if (!newsUrl.empty() && newsUrl.compare(0, 5, "http:") != 0 &&
        newsUrl.compare(0, 6, "https:") != 0)
      p.SetValue(keys::kNewsUrl, "");

    p.SetValue(keys::kDbPath, setup.ReadString("DATABASE", "path", defaults::kDbPath));
    p.SetValue(keys::kDbName1, setup.ReadString("DATABASE", "name1", defaults::kDbName1));
  }

  TIniFile* ini = ConfigIni();
  for (const keys::TIniSetting& setting : keys::kApplicationSettings) {
    // Without a settings file only the directories have values (their defaults).
    const std::string_view key = setting.Key;
    // The layout's directories, written as the settings file would hold them ("data/",
    // "temp/" when portable; the temporary directory is the user's cache when installed).
    const std::string fallback = key == keys::kAppDataDir   ? PlaceSetting(FLayout.DataDir)
                                 : key == keys::kAppTempDir ? PlaceSetting(FLayout.TempDir)
                                                            : std::string();
    const std::string value =
        ini ? ini->ReadString(keys::kApplicationSection, setting.IniName, fallback) : fallback;
    p.SetValue(setting.Key, IsDirectorySetting(key) ? ProgramPlace(value) : value);
  }

  // The News action shows while a news address is configured.
  FAppInfo.NetNewsURL = p.Value(keys::kNewsUrl);
}

void TSharedData::SaveParams() {
  TIniFile* ini = ConfigIni();
  if (!ini) return;
  // The proxy password is no business of other users of the machine.
  ini->SetOwnerOnly(!FParams.Value(keys::kAppProxyPassword).empty());
  for (const keys::TIniSetting& setting : keys::kApplicationSettings) {
    const std::string value = FParams.Value(setting.Key);
    ini->WriteString(keys::kApplicationSection, setting.IniName,
                     IsDirectorySetting(setting.Key) ? PlaceSetting(value) : value);
  }
}

}  // namespace lw
