#pragma once

#include <array>
#include <string_view>

// The rows of the three multi-select criteria lists and the hints of the eight inputs. The
// main window shows these and FillCriteria encodes from them, so both read one copy. Row 0 of
// each list is its header; every other row is, character for character, the value the source
// table stores, which is what makes the row text usable as the criterion itself.

namespace lw {

inline constexpr std::array<std::string_view, 52> StateRows = {"[CHOOSE STATES]",
                                                               "AK",
                                                               "AL",
                                                               "AR",
                                                               "AZ",
                                                               "CA",
                                                               "CO",
                                                               "CT",
                                                               "DC",
                                                               "DE",
                                                               "FL",
                                                               "GA",
                                                               "HI",
                                                               "IA",
                                                               "ID",
                                                               "IL",
                                                               "IN",
                                                               "KS",
                                                               "KY",
                                                               "LA",
                                                               "MA",
                                                               "MD",
                                                               "ME",
                                                               "MI",
                                                               "MN",
                                                               "MO",
                                                               "MS",
                                                               "MT",
                                                               "NC",
                                                               "ND",
                                                               "NE",
                                                               "NH",
                                                               "NJ",
                                                               "NM",
                                                               "NV",
                                                               "NY",
                                                               "OH",
                                                               "OK",
                                                               "OR",
                                                               "PA",
                                                               "RI",
                                                               "SC",
                                                               "SD",
                                                               "TN",
                                                               "TX",
                                                               "UT",
                                                               "VA",
                                                               "VT",
                                                               "WA",
                                                               "WI",
                                                               "WV",
                                                               "WY"};

inline constexpr std::array<std::string_view, 13> EmployeeRows = {"[CHOOSE # EMPLOYEES]",
                                                                  "N/A",
                                                                  "1-4",
                                                                  "5-9",
                                                                  "10-19",
                                                                  "20-49",
                                                                  "50-99",
                                                                  "100-249",
                                                                  "250-499",
                                                                  "500-999",
                                                                  "1000-4999",
                                                                  "5000-9999",
                                                                  "Over 10000"};

inline constexpr std::array<std::string_view, 14> SalesRows = {"[CHOOSE ANNUAL SALES]",
                                                               "N/A",
                                                               "<.5M",
                                                               ".5-1M",
                                                               "1-2.5M",
                                                               "2.5-5M",
                                                               "5-10M",
                                                               "10-20M",
                                                               "20-50M",
                                                               "50-100M",
                                                               "100-500M",
                                                               "500-1B",
                                                               "1B",
                                                               "Over 1B"};

inline constexpr std::string_view SICEditHint =
    "Type a SIC or the first letters followed by '*'.\r\nFor multiple SIC codes separate them by "
    "commas.\r\nExample: 9512*, 50*, 7991-01";
inline constexpr std::string_view SICDescEditHint =
    "Type a SIC description or the first few letters followed by '*'.\r\nExample: Computer or "
    "Com*";
inline constexpr std::string_view CompanyEditHint =
    "Type a company name or the first few letters followed by '*'.\r\nExample: YMCA or ABC*";
inline constexpr std::string_view CityEditHint =
    "Type a city name or the first few letters followed by '*'.\r\nExample: Buffalo or Ve*";
inline constexpr std::string_view StateListBoxHint =
    "For multiple selections, hold the CTRL\r\nkey while clicking on desired state.";
// The blank before the line break belongs to these two hints.
inline constexpr std::string_view EmployeeListBoxHint =
    "For multiple selections, hold the CTRL key \r\nwhile clicking on desired number of "
    "employees.";
inline constexpr std::string_view SalesListBoxHint =
    "For multiple selections, hold the CTRL key \r\nwhile clicking on desired annual sales.";
inline constexpr std::string_view ZipEditHint =
    "Type a zip or the first letters followed by '*'.\r\nFor multiple zip codes separate them by "
    "commas.\r\nExample: 02202*, 14221-5*";

}  // namespace lw
