#include "ListingGenerator.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Industries.h"
#include "ListingLayout.h"
#include "Places.h"
#include "Words.h"

namespace lw::gen {
namespace {

template <class T>
const T& PickFrom(TPrng& rng, std::span<const T> items) {
  return items[rng.Below(static_cast<uint32_t>(items.size()))];
}

const char* PickWord(TPrng& rng, std::span<const char* const> items) {
  return PickFrom(rng, items);
}

std::string Digits(TPrng& rng, int count) {
  std::string s;
  for (int i = 0; i < count; ++i) s += static_cast<char>('0' + rng.Below(10));
  return s;
}

// Cuts a text to a field's width, at a word boundary when one is near.
std::string Fit(std::string s, size_t width) {
  if (s.size() <= width) return s;
  size_t cut = s.rfind(' ', width);
  if (cut == std::string::npos || cut < width / 2) cut = width;
  s.resize(cut);
  while (!s.empty() && (s.back() == ' ' || s.back() == ',' || s.back() == '&')) s.pop_back();
  if (s.size() > 3 && s.compare(s.size() - 3, 3, " of") == 0) s.resize(s.size() - 3);
  return s;
}

std::string Lower(const std::string& s) {
  std::string out;
  for (char c : s)
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
      out += c;
    else if (c >= 'A' && c <= 'Z')
      out += static_cast<char>(c - 'A' + 'a');
  return out;
}

TValue Text(const std::string& s) {
  return s.empty() ? TValue::Null() : TValue::String(s);
}

double Round4(double v) {
  return std::round(v * 10000.0) / 10000.0;
}

// Relative frequencies of the employee classes "N/A", "1-4", ... "Over 10000" in per mille.
const int kEmployeeShare[12] = {50, 400, 200, 130, 100, 50, 35, 15, 8, 7, 3, 2};

}  // namespace

TListingGenerator::TListingGenerator(uint64_t seed) : FRng(seed) {
  int sum = 0;
  for (const TPlace& p : Places()) FPlaceWeights.push_back(sum += p.Weight);
  sum = 0;
  FIndustriesByGroup.resize(100);
  std::span<const TIndustry> industries = Industries();
  for (size_t i = 0; i < industries.size(); ++i) {
    FIndustryWeights.push_back(sum += industries[i].Weight);
    int group = (industries[i].Code[0] - '0') * 10 + (industries[i].Code[1] - '0');
    FIndustriesByGroup[group].push_back(static_cast<int>(i));
  }
}

int TListingGenerator::PickWeighted(const std::vector<int>& cumulative) {
  const int r = static_cast<int>(FRng.Below(static_cast<uint32_t>(cumulative.back())));
  return static_cast<int>(std::upper_bound(cumulative.begin(), cumulative.end(), r) -
                          cumulative.begin());
}

std::string TListingGenerator::CompanyName(int industry, int place) {
  const TIndustry& ind = Industries()[industry];
  const std::string trade = ind.Trade;
  const std::string last = PickWord(FRng, LastNames());
  std::string name;
  const int pattern = static_cast<int>(FRng.Below(100));
  if (std::strcmp(ind.Code, "8641") == 0 && FRng.Percent(15)) return "YMCA";
  if (pattern < 20) {
    name = last + " " + trade;
  } else if (pattern < 35) {
    name = std::string(PickWord(FRng, CompanyWords())) + " " + trade;
  } else if (pattern < 44) {
    name = std::string(Places()[place].City) + " " + trade;
  } else if (pattern < 52) {
    name = last + "'s " + trade;
  } else if (pattern < 60) {
    static const char* const kInitials[] = {"ABC",   "A-1",        "AAA",      "J & R",
                                            "B & L", "AB&C",       "M & M",    "K-9",
                                            "ACE",   "Tri-County", "All-Star", "1st Choice"};
    name = std::string(FRng.Pick(kInitials)) + " " + trade;
  } else if (pattern < 68) {
    name = last + " & " + PickWord(FRng, LastNames()) + " " + trade;
  } else if (pattern < 74) {
    // Partnerships: "Harmon, Voss & Keller"
    name = last + ", " + PickWord(FRng, LastNames()) + " & " + PickWord(FRng, LastNames());
  } else if (pattern < 84) {
    name = std::string(PickWord(FRng, FirstNames())) + " " + last + " " + trade;
  } else {
    name = std::string(PickWord(FRng, CompanyWords())) + " " + trade;
    const std::string ofCity = name + " of " + Places()[place].City;
    if (ofCity.size() <= 35) name = ofCity;
  }
  // Public bodies, schools and churches carry no company suffix.
  const bool incorporated = ind.Code[0] != '9' && std::strncmp(ind.Code, "82", 2) != 0 &&
                            std::strncmp(ind.Code, "86", 2) != 0;
  if (incorporated && FRng.Percent(40)) {
    const char* suffix = PickWord(FRng, CompanySuffixes());
    name += (FRng.Percent(15) ? ", " : " ") + std::string(suffix);
  }
  if (FRng.Percent(6)) {  // older listings were keyed in capitals
    for (char& c : name)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return Fit(name, 35);
}

std::string TListingGenerator::Street() {
  if (FRng.Percent(7)) return "PO Box " + std::to_string(FRng.Range(1, 9999));
  // Small house numbers are more common than large ones.
  const double u = FRng.Unit();
  const int number = 1 + static_cast<int>(u * u * 12000);
  std::string s = std::to_string(number) + " ";
  if (FRng.Percent(15)) {
    static const char* const kDirections[] = {"N ", "S ", "E ", "W "};
    s += FRng.Pick(kDirections);
  }
  s += std::string(PickWord(FRng, StreetNames())) + " " + PickWord(FRng, StreetTypes());
  if (FRng.Percent(12)) s += " Ste " + std::to_string(FRng.Range(1, 9) * 100 + FRng.Range(0, 20));
  return Fit(s, 35);
}

std::string TListingGenerator::Phone(const char* areaCode, const std::string& exchange) {
  return std::string(areaCode) + exchange + Digits(FRng, 4);
}

std::string TListingGenerator::Domain(const std::string& company) {
  // The first two words of the name, letters and digits only.
  std::string slug;
  int words = 0;
  size_t i = 0;
  while (i < company.size() && words < 2) {
    size_t end = company.find(' ', i);
    if (end == std::string::npos) end = company.size();
    std::string w = Lower(company.substr(i, end - i));
    if (!w.empty()) {
      slug += w;
      ++words;
    }
    i = end + 1;
  }
  if (slug.empty()) slug = "business";
  static const char* const kTlds[] = {".com", ".com", ".com", ".com", ".net", ".biz", ".us"};
  return slug + FRng.Pick(kTlds);
}

std::vector<TValue> TListingGenerator::Next() {
  std::vector<TValue> v(lfCount);
  const int place = PickWeighted(FPlaceWeights);
  const TPlace& p = Places()[place];
  const int industry = PickWeighted(FIndustryWeights);
  const TIndustry& ind = Industries()[industry];

  const std::string company = CompanyName(industry, place);
  v[lfCompany] = Text(company);
  v[lfAddress] = Text(Street());
  v[lfCity] = Text(p.City);
  v[lfState] = Text(p.State);
  std::string zip = std::string(p.ZipPrefix) + Digits(FRng, 2);
  if (FRng.Percent(30)) zip += "-" + std::to_string(FRng.Range(1000, 9999));
  v[lfZip] = Text(zip);

  const std::string exchange = std::to_string(FRng.Range(201, 989));
  if (!FRng.Percent(3)) v[lfTelephone] = Text(Phone(p.AreaCode, exchange));
  if (FRng.Percent(55)) v[lfFax] = Text(Phone(p.AreaCode, exchange));

  // Employee class by its share; the sales class follows it loosely.
  int r = static_cast<int>(FRng.Below(1000));
  int employees = 0;
  while (employees < 11 && r >= kEmployeeShare[employees]) r -= kEmployeeShare[employees++];
  v[lfEmployees] = Text(kEmployeeClasses[employees]);
  int sales = 0;
  if (!FRng.Percent(6)) {
    const int base = employees == 0 ? FRng.Range(1, 4) : employees;
    sales = std::clamp(base + FRng.Range(-1, 1), 1, 12);
  }
  v[lfSales] = Text(kSalesClasses[sales]);

  if (FRng.Percent(88)) {
    v[lfContactLast] = Text(PickWord(FRng, LastNames()));
    v[lfContactFirst] = Text(PickWord(FRng, FirstNames()));
  }

  static const char* const kSicSuffixes[] = {"01", "01", "01", "01", "02", "02", "02", "03",
                                             "03", "04", "05", "06", "07", "08", "99"};
  v[lfSic] = Text(std::string(ind.Code) + "-" + FRng.Pick(kSicSuffixes));
  v[lfSicDescription] = Text(ind.Description);
  if (FRng.Percent(30)) {
    // A second line of business, usually a neighbour in the same major group.
    const int group = (ind.Code[0] - '0') * 10 + (ind.Code[1] - '0');
    const std::vector<int>& same = FIndustriesByGroup[group];
    int other = FRng.Percent(70) && same.size() > 1
                    ? same[FRng.Below(static_cast<uint32_t>(same.size()))]
                    : PickWeighted(FIndustryWeights);
    v[lfSic2] = Text(std::string(Industries()[other].Code) + "-" + FRng.Pick(kSicSuffixes));
    if (FRng.Percent(35)) {
      other = PickWeighted(FIndustryWeights);
      v[lfSic3] = Text(std::string(Industries()[other].Code) + "-" + FRng.Pick(kSicSuffixes));
    }
  }

  const bool hasWeb = FRng.Percent(50);
  const std::string domain = Domain(company);
  if (hasWeb) v[lfWebSite] = Text(Fit("www." + domain, 40));
  if (FRng.Percent(hasWeb ? 80 : 15)) {
    std::string local;
    const int kind = static_cast<int>(FRng.Below(4));
    if (kind == 0 || v[lfContactLast].IsNull()) {
      static const char* const kBoxes[] = {"info", "sales", "office", "contact", "service"};
      local = FRng.Pick(kBoxes);
    } else if (kind == 1) {
      local = Lower(v[lfContactFirst].Str()).substr(0, 1) + Lower(v[lfContactLast].Str());
    } else {
      local = Lower(v[lfContactFirst].Str()) + "." + Lower(v[lfContactLast].Str());
    }
    v[lfEmail] = Text(Fit(local + "@" + domain, 40));
  }

  v[lfCounty] = Text(p.County);
  if (FRng.Percent(35)) {
    v[lfContact2Last] = Text(PickWord(FRng, LastNames()));
    v[lfContact2First] = Text(PickWord(FRng, FirstNames()));
  }

  if (FRng.Percent(90)) {
    // Younger businesses are more common than old ones.
    v[lfYearFounded] = TValue::Integer(1900 + static_cast<int>(std::sqrt(FRng.Unit()) * 125));
  }
  v[lfLatitude] = TValue::Float(Round4(p.Latitude + (FRng.Unit() - 0.5) * 0.12));
  v[lfLongitude] = TValue::Float(Round4(p.Longitude + (FRng.Unit() - 0.5) * 0.12));
  if (FRng.Percent(97)) {
    static const int32_t first = DayNumberFromCivil(2019, 1, 1);
    static const int32_t last = DayNumberFromCivil(2025, 12, 31);
    v[lfLastVerified] = TValue::Date(first + FRng.Range(0, last - first));
  }
  if (FRng.Percent(88)) v[lfHeadquarters] = TValue::Boolean(FRng.Percent(employees >= 6 ? 60 : 12));
  if (FRng.Percent(12)) v[lfNotes] = Text(PickWord(FRng, NoteTexts()));
  return v;
}

}  // namespace lw::gen
