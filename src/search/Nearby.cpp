#include "Nearby.h"

#include <charconv>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "RecordMatcher.h"
#include "Table.h"

namespace lw {

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180;
// Widens the latitude band by far more than rounding can move a distance, so that the band
// only ever lets through more records than the exact test keeps, never fewer.
constexpr double kBandSlackDegrees = 1e-9;

bool IsZip(std::string_view text) {
  if (text.size() != 5) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

// The whole text as one number, blanks around it allowed.
bool ParseNumber(std::string_view text, double& value) {
  text = TrimBlanks(text);
  if (text.empty()) return false;
  // from_chars takes no '+', which people do type before a longitude.
  if (text.front() == '+') text.remove_prefix(1);
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && ptr == text.data() + text.size() && std::isfinite(value);
}

bool ParsePosition(std::string_view text, double& latitude, double& longitude) {
  const size_t comma = text.find(',');
  if (comma == std::string_view::npos) return false;
  return ParseNumber(text.substr(0, comma), latitude) && std::fabs(latitude) <= 90 &&
         ParseNumber(text.substr(comma + 1), longitude) && std::fabs(longitude) <= 180;
}

double Haversine(double lat1, double lon1, double cosLat1, double lat2, double lon2) {
  const double dLat = std::sin((lat2 - lat1) / 2);
  const double dLon = std::sin((lon2 - lon1) / 2);
  return dLat * dLat + cosLat1 * std::cos(lat2) * dLon * dLon;
}

}  // namespace

double MilesBetween(double latitude1, double longitude1, double latitude2, double longitude2) {
  const double lat1 = latitude1 * kRadiansPerDegree;
  const double h = Haversine(lat1, longitude1 * kRadiansPerDegree, std::cos(lat1),
                             latitude2 * kRadiansPerDegree, longitude2 * kRadiansPerDegree);
  return 2 * kEarthRadiusMiles * std::asin(std::sqrt(std::min(1.0, h)));
}

std::string NearbyCentreProblem(std::string_view near) {
  double lat = 0, lon = 0;
  if (IsZip(TrimBlanks(near)) || ParsePosition(near, lat, lon)) return {};
  return "The radius is measured from a 5-digit zip code (85220) or a position in degrees "
         "(33.4152,-111.8315); \"" +
         std::string(near) + "\" is neither.";
}

std::string NearbyMilesProblem(std::string_view miles) {
  double value = 0;
  if (ParseNumber(miles, value) && value > 0 && value <= kMaxRadiusMiles) return {};
  return "The radius is a number of miles above 0 and at most " +
         std::to_string(static_cast<int>(kMaxRadiusMiles)) + " (half way round the Earth); \"" +
         std::string(miles) + "\" is not.";
}

std::optional<TNearbyRequest> ParseNearby(std::string_view near, std::string_view miles) {
  near = TrimBlanks(near);
  if (near.empty()) return std::nullopt;
  if (std::string problem = NearbyCentreProblem(near); !problem.empty())
    throw std::invalid_argument(problem);
  if (std::string problem = NearbyMilesProblem(miles); !problem.empty())
    throw std::invalid_argument(problem);
  TNearbyRequest request;
  ParseNumber(miles, request.Miles);
  if (IsZip(near))
    request.Zip = std::string(near);
  else
    ParsePosition(near, request.Latitude, request.Longitude);
  return request;
}

TNearbyTest::TNearbyTest(const TPositionFields& fields, double latitude, double longitude,
                         double miles)
    : FFields(fields),
      FLatitude(latitude * kRadiansPerDegree),
      FLongitude(longitude * kRadiansPerDegree),
      FCosLatitude(std::cos(FLatitude)) {
  const double angle = miles / kEarthRadiusMiles;
  // No two points on a sphere lie further apart than its diameter: the north-south distance
  // alone is a lower bound of the distance.
  const double band = angle / kRadiansPerDegree + kBandSlackDegrees;
  FBandLow = latitude - band;
  FBandHigh = latitude + band;
  const double half = std::sin(angle / 2);
  FMaxHaversine = angle >= std::numbers::pi ? 2.0 : half * half;
}

bool TNearbyTest::Contains(TTable& table) const {
  double lat = 0, lon = 0;
  if (!ValueDegrees(table.FieldValue(FFields.Latitude), 90, lat)) return false;
  if (lat < FBandLow || lat > FBandHigh) return false;
  if (!ValueDegrees(table.FieldValue(FFields.Longitude), 180, lon)) return false;
  return Haversine(FLatitude, FLongitude, FCosLatitude, lat * kRadiansPerDegree,
                   lon * kRadiansPerDegree) <= FMaxHaversine;
}

bool ZipCentre(TTable& table, const TPositionFields& fields, std::string_view zip,
               const std::function<bool()>& stopped, double& latitude, double& longitude) {
  double sumLat = 0, sumLon = 0;
  int64_t count = 0, read = 0;
  for (table.First(); !table.Eof(); table.Next()) {
    if ((++read & 1023) == 0 && stopped && stopped()) return false;
    // "85220" and "85220-6867" are both in 85220.
    if (!TrimBlanks(table.FieldText(sfZip)).starts_with(zip)) continue;
    double lat = 0, lon = 0;
    if (!ReadPosition(table, fields, lat, lon)) continue;
    sumLat += lat;
    sumLon += lon;
    ++count;
  }
  if (count == 0)
    throw std::runtime_error("No record of this table with the zip code " + std::string(zip) +
                             " has a position, so there is nothing to measure the radius from.");
  latitude = sumLat / static_cast<double>(count);
  longitude = sumLon / static_cast<double>(count);
  return true;
}

std::optional<TNearbyTest> PrepareNearby(TTable& table, std::string_view near,
                                         std::string_view miles,
                                         const std::function<bool()>& stopped) {
  std::optional<TNearbyRequest> request;
  try {
    request = ParseNearby(near, miles);
  } catch (const std::invalid_argument& e) {
    throw std::runtime_error(e.what());
  }
  if (!request) return std::nullopt;
  const TPositionFields fields = FindPositionFields(table);
  if (!fields.Found())
    throw std::runtime_error(
        "This table has no LATITUDE and LONGITUDE fields, so it cannot be searched by distance.");
  if (!request->Zip.empty() &&
      !ZipCentre(table, fields, request->Zip, stopped, request->Latitude, request->Longitude))
    return std::nullopt;
  return TNearbyTest(fields, request->Latitude, request->Longitude, request->Miles);
}

}  // namespace lw
