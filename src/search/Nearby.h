#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "PositionFields.h"

namespace lw {

class TTable;

inline constexpr double kEarthRadiusMiles = 3958.8;
// Half way round the Earth: every position lies within this distance of any other.
inline constexpr double kMaxRadiusMiles = 12437;
// What the window offers before anything was chosen.
inline constexpr double kDefaultMiles = 10;

// Great-circle distance in miles between two positions in degrees (haversine).
double MilesBetween(double latitude1, double longitude1, double latitude2, double longitude2);

// What a radius criterion measures from and how far, read from the user's two texts: the
// centre is a 5-digit zip code ("85220") or a position in degrees ("33.41520,-111.83150",
// which the record view's Find nearby writes).
struct TNearbyRequest {
  std::string Zip;  // empty when the centre is a position
  double Latitude = 0;
  double Longitude = 0;
  double Miles = 0;
};

// Why a text cannot be the centre or the distance ("" when it can).
std::string NearbyCentreProblem(std::string_view near);
std::string NearbyMilesProblem(std::string_view miles);

// No request for an empty `near` (no radius criterion); throws std::invalid_argument with
// the problem for texts that do not fit.
std::optional<TNearbyRequest> ParseNearby(std::string_view near, std::string_view miles);

// The distance test of one record, prepared once per search: the centre in radians and the
// band of latitudes a record must lie in, so that most records cost one number read and a
// compare, and only those in the band the trigonometry.
class TNearbyTest {
 public:
  TNearbyTest(const TPositionFields& fields, double latitude, double longitude, double miles);
  // The table's current record lies within the distance; a record without a position does
  // not.
  bool Contains(TTable& table) const;

 private:
  TPositionFields FFields;
  double FLatitude;     // radians
  double FLongitude;    // radians
  double FCosLatitude;  // of the centre
  double FBandLow;      // degrees
  double FBandHigh;
  double FMaxHaversine;  // sin^2(d/2) of the angular distance d
};

// The mean position of the records whose zip begins with `zip`, in one pass over the table
// (zips are read by the matcher's position). Throws std::runtime_error when no such record
// has a position. Returns false when `stopped` said so before the pass ended. Moves the
// cursor.
bool ZipCentre(TTable& table, const TPositionFields& fields, std::string_view zip,
               const std::function<bool()>& stopped, double& latitude, double& longitude);

// The test a search runs, or none for an empty `near`: checks the texts and the table's
// position fields, and finds a zip's centre (the one extra pass). Throws std::runtime_error
// with the user's message; returns none as well when stopped during the pass.
std::optional<TNearbyTest> PrepareNearby(TTable& table, std::string_view near,
                                         std::string_view miles,
                                         const std::function<bool()>& stopped);

}  // namespace lw
