// The settings list: filled from the setup file and the user settings file, written back to
// the latter at the end of the run.
#include "SettingsDefaults.h"
#include "SettingsKeys.h"
#include "SharedData.h"
#include "strutil/StrUtil.h"

namespace lw {

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
    // Only plain "http:" addresses are fetched; anything else (other schemes, capitals) is
    // dropped rather than handed to the news client.
    const std::string newsUrl = p.Value(keys::kNewsUrl);
    if (!newsUrl.empty() && newsUrl.compare(0, 5, "http:") != 0) p.SetValue(keys::kNewsUrl, "");

    p.SetValue(keys::kDbPath, setup.ReadString("DATABASE", "path", defaults::kDbPath));
    p.SetValue(keys::kDbName1, setup.ReadString("DATABASE", "name1", defaults::kDbName1));
  }

  const std::string& dataDir = FLayout.DataDir;
  const std::string& tempDir = FLayout.TempDir;
  TIniFile* ini = ConfigIni();
  for (const keys::TIniSetting& setting : keys::kApplicationSettings) {
    // Without a settings file only the directories have values (their defaults).
    const std::string fallback = setting.Key == keys::kAppDataDir   ? dataDir
                                 : setting.Key == keys::kAppTempDir ? tempDir
                                                                    : std::string();
    if (ini)
      p.SetValue(setting.Key,
                 ini->ReadString(keys::kApplicationSection, setting.IniName, fallback));
    else if (!fallback.empty())
      p.SetValue(setting.Key, fallback);
  }

  // The News action shows while a news address is configured.
  FAppInfo.NetNewsURL = p.Value(keys::kNewsUrl);
}

void TSharedData::SaveParams() {
  TIniFile* ini = ConfigIni();
  if (!ini) return;
  for (const keys::TIniSetting& setting : keys::kApplicationSettings)
    ini->WriteString(keys::kApplicationSection, setting.IniName, FParams.Value(setting.Key));
}

}  // namespace lw
