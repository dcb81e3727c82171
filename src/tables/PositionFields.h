#pragma once

#include <string_view>

namespace lw {

class TTable;
class TValue;

// Where a listings table keeps its records' positions: fields named LATITUDE and LONGITUDE
// (in any letter case), in degrees. Tables without them simply have no positions; the
// summary's map and the radius search both look for them the same way.
struct TPositionFields {
  int Latitude = -1;
  int Longitude = -1;
  bool Found() const { return Latitude >= 0 && Longitude >= 0; }
};

inline constexpr std::string_view kLatitudeFieldName = "LATITUDE";
inline constexpr std::string_view kLongitudeFieldName = "LONGITUDE";

TPositionFields FindPositionFields(TTable& table);

// The degrees a field value holds: a number, or a text that is one. False for a blank value,
// anything else, or a number beyond `limit` (90 for a latitude, 180 for a longitude).
bool ValueDegrees(const TValue& value, double limit, double& degrees);

// The current record's position; false when either field is blank or out of range. Reads the
// stored numbers without building any text.
bool ReadPosition(TTable& table, const TPositionFields& fields, double& latitude,
                  double& longitude);

}  // namespace lw
