// The settings list: filled from the setup file and the user settings file, written back to
// the latter at the end of the run.
#include "SettingsDefaults.h"
#include "SharedData.h"
#include "strutil/StrUtil.h"

namespace lw {

void TSharedData::LoadParams() {
  using namespace defaults;
  TParams& p = FParams;
  {
    const TIniFile setup((AppSrcDir().empty() ? AppExeDir() : AppSrcDir()) + "setup.ini");

    p.SetValue("authr_name", AuthorCompany());
    p.SetValue("authr_company", AuthorCompany());
    p.SetValue("authr_copyright", AuthorCopyright());
    p.SetValue("authr_contact", kAuthorContact);
    p.SetValue("authr_phone", kAuthorPhone);
    p.SetValue("authr_fax", kAuthorFax);
    p.SetValue("authr_email", kAuthorEmail);
    p.SetValue("authr_url", kAuthorUrl);

    p.SetValue("prod_name", ProductName());
    p.SetValue("prod_ver", ProductVersion());
    p.SetValue("prod_code", ProductId());

    p.SetValue("prod_email", setup.ReadString("PRODUCT", "email", kProductEmail));
    p.SetValue("prod_logo", setup.ReadString("PRODUCT", "logo", kProductLogo));
    p.SetValue("prod_url", setup.ReadString("PRODUCT", "url", kProductUrl));
    p.SetValue("prod_orderurl", setup.ReadString("PRODUCT", "orderurl", kProductOrderUrl));
    p.SetValue("prod_dupdateurl",
               setup.ReadString("PRODUCT", "dupdateurl",
                                kProductUpdateUrlBase + Str_Lower(ProductId()) + "21update.inf"));

    p.SetValue("dist_name", setup.ReadString("DISTRIBUTOR", "name", kDistName));
    p.SetValue("dist_company", setup.ReadString("DISTRIBUTOR", "company", kDistCompany));
    p.SetValue("dist_url", setup.ReadString("DISTRIBUTOR", "url", kDistUrl));
    p.SetValue("dist_contact", setup.ReadString("DISTRIBUTOR", "contact", kDistContact));
    p.SetValue("dist_email", setup.ReadString("DISTRIBUTOR", "email", kDistEmail));
    p.SetValue("dist_phone", setup.ReadString("DISTRIBUTOR", "phone", kDistPhone));
    p.SetValue("dist_fax", setup.ReadString("DISTRIBUTOR", "fax", kDistFax));

    p.SetValue("news_url", setup.ReadString("NEWS", "url", kNewsUrl));
    p.SetValue("news_file", setup.ReadString("NEWS", "file", kNewsFile));
    // Only plain "http:" addresses are fetched; anything else (other schemes, capitals) is
    // dropped rather than handed to the news client.
    const std::string newsUrl = p.Value("news_url");
    if (!newsUrl.empty() && newsUrl.compare(0, 5, "http:") != 0) p.SetValue("news_url", "");

    p.SetValue("db_path", setup.ReadString("DATABASE", "path", kDbPath));
    p.SetValue("db_name1", setup.ReadString("DATABASE", "name1", kDbName1));
  }

  const std::string dataDir = FProgramDir + kDataDir;
  const std::string tempDir = FProgramDir + kTempDir;
  if (TIniFile* ini = ConfigIni()) {
    p.SetValue("app_datadir", ini->ReadString("Application", "datadir", dataDir));
    p.SetValue("app_tempdir", ini->ReadString("Application", "tempdir", tempDir));
    p.SetValue("app_proxyhost", ini->ReadString("Application", "proxyhost", ""));
    p.SetValue("app_proxyport", ini->ReadString("Application", "proxyport", ""));
    p.SetValue("app_proxyuser", ini->ReadString("Application", "proxyuser", ""));
    p.SetValue("app_proxypassword", ini->ReadString("Application", "proxypassword", ""));
  } else {
    p.SetValue("app_datadir", dataDir);
    p.SetValue("app_tempdir", tempDir);
  }

  // The News action shows while a news address is configured.
  FAppInfo.NetNewsURL = p.Value("news_url");
}

void TSharedData::SaveParams() {
  TIniFile* ini = ConfigIni();
  if (!ini) return;
  // The proxy password is no business of other users of the machine.
  ini->SetOwnerOnly(!FParams.Value("app_proxypassword").empty());
  ini->WriteString("Application", "datadir", FParams.Value("app_datadir"));
  ini->WriteString("Application", "tempdir", FParams.Value("app_tempdir"));
  ini->WriteString("Application", "proxyhost", FParams.Value("app_proxyhost"));
  ini->WriteString("Application", "proxyport", FParams.Value("app_proxyport"));
  ini->WriteString("Application", "proxyuser", FParams.Value("app_proxyuser"));
  ini->WriteString("Application", "proxypassword", FParams.Value("app_proxypassword"));
}

}  // namespace lw
