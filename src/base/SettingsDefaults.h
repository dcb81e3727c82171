#pragma once

// The maker's contact details and the setup file's defaults.
namespace lw::defaults {

inline constexpr char kAuthorContact[] = "Morwenna Halloran";
inline constexpr char kAuthorPhone[] = "";  // not published: the key stays absent
inline constexpr char kAuthorFax[] = "+1 (802) 555-0147";
inline constexpr char kAuthorEmail[] = "support@talvern.com";
inline constexpr char kAuthorUrl[] = "http://www.talvern.com/";

inline constexpr char kProductEmail[] = "ledgerwake@talvern.com";
inline constexpr char kProductLogo[] = "logo.bmp";
inline constexpr char kProductUrl[] = "http://www.talvern.com/ledgerwake/";
inline constexpr char kProductOrderUrl[] = "http://www.talvern.com/ledgerwake/order.html";
// The update control file's address is this + lower-cased product code + "21update.inf".
inline constexpr char kProductUpdateUrlBase[] = "https://update.talvern.com/updates/";

inline constexpr char kDistName[] = "TALVERN";
inline constexpr char kDistCompany[] = "TALVERN Data Systems, Inc.";
inline constexpr char kDistUrl[] = "http://www.talvern.com";
inline constexpr char kDistContact[] = "Desmond Achterberg";
inline constexpr char kDistEmail[] = "sales@talvern.com";
inline constexpr char kDistPhone[] = "";
inline constexpr char kDistFax[] = "+1 (802) 555-0148";

inline constexpr char kNewsUrl[] = "http://www.talvern.com/news/lwnews.inf";
inline constexpr char kNewsFile[] = "lwnews.inf";

inline constexpr char kDbPath[] = "data/";
inline constexpr char kDbName1[] = "businfo.db";

// Relative to the program directory.
inline constexpr char kDataDir[] = "data/";
inline constexpr char kTempDir[] = "temp/";

}  // namespace lw::defaults
