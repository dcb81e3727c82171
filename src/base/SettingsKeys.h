#pragma once

// The names of the settings list's keys (TParams), and where the user settings file keeps
// the ones written back. Code reads and writes settings only through these names; tests spell
// the names out, as they are what setup files, settings files and other modules rely on.
namespace lw::keys {

// The maker, from the version block and the built-in contact details.
inline constexpr char kAuthorName[] = "authr_name";
inline constexpr char kAuthorCompany[] = "authr_company";
inline constexpr char kAuthorCopyright[] = "authr_copyright";
inline constexpr char kAuthorContact[] = "authr_contact";
inline constexpr char kAuthorPhone[] = "authr_phone";
inline constexpr char kAuthorFax[] = "authr_fax";
inline constexpr char kAuthorEmail[] = "authr_email";
inline constexpr char kAuthorUrl[] = "authr_url";

// The product: version block values and the setup file's [PRODUCT] section.
inline constexpr char kProductName[] = "prod_name";
inline constexpr char kProductVersion[] = "prod_ver";
inline constexpr char kProductCode[] = "prod_code";
inline constexpr char kProductEmail[] = "prod_email";
inline constexpr char kProductLogo[] = "prod_logo";
inline constexpr char kProductUrl[] = "prod_url";
inline constexpr char kProductOrderUrl[] = "prod_orderurl";
inline constexpr char kProductUpdateUrl[] = "prod_dupdateurl";
// The minisign public key update control files must be signed with (only the maker writes
// the setup file).
inline constexpr char kProductUpdateKey[] = "prod_updatekey";

// The setup file's [DISTRIBUTOR] section.
inline constexpr char kDistName[] = "dist_name";
inline constexpr char kDistCompany[] = "dist_company";
inline constexpr char kDistUrl[] = "dist_url";
inline constexpr char kDistContact[] = "dist_contact";
inline constexpr char kDistEmail[] = "dist_email";
inline constexpr char kDistPhone[] = "dist_phone";
inline constexpr char kDistFax[] = "dist_fax";

// The setup file's [NEWS] section: where the news file is fetched from and its local name.
inline constexpr char kNewsUrl[] = "news_url";
inline constexpr char kNewsFile[] = "news_file";

// The setup file's [DATABASE] section: the source table's folder and name.
inline constexpr char kDbPath[] = "db_path";
inline constexpr char kDbName1[] = "db_name1";

// The user's settings, kept in the settings file's [Application] section.
inline constexpr char kAppDataDir[] = "app_datadir";
inline constexpr char kAppTempDir[] = "app_tempdir";
inline constexpr char kAppProxyHost[] = "app_proxyhost";
inline constexpr char kAppProxyPort[] = "app_proxyport";
inline constexpr char kAppProxyUser[] = "app_proxyuser";
inline constexpr char kAppProxyPassword[] = "app_proxypassword";

// The settings file's section for the keys above, and each key's name there.
inline constexpr char kApplicationSection[] = "Application";
struct TIniSetting {
  const char* Key;      // in the settings list
  const char* IniName;  // in kApplicationSection
};
inline constexpr TIniSetting kApplicationSettings[] = {
    {kAppDataDir, "datadir"},     {kAppTempDir, "tempdir"},
    {kAppProxyHost, "proxyhost"}, {kAppProxyPort, "proxyport"},
    {kAppProxyUser, "proxyuser"}, {kAppProxyPassword, "proxypassword"},
};

}  // namespace lw::keys
