#include "PositionFields.h"

#include <charconv>
#include <cmath>
#include <string>

#include "Field.h"
#include "Table.h"
#include "Value.h"

namespace lw {

TPositionFields FindPositionFields(TTable& table) {
  auto indexOf = [&table](std::string_view name) {
    const TField* f = table.FindField(std::string(name));
    return f ? f->Index() : -1;
  };
  return {indexOf(kLatitudeFieldName), indexOf(kLongitudeFieldName)};
}

bool ValueDegrees(const TValue& value, double limit, double& degrees) {
  double d = 0;
  switch (value.GetKind()) {
    case TValue::Kind::Float:
      d = value.Dbl();
      break;
    case TValue::Kind::Integer:
      d = static_cast<double>(value.Int());
      break;
    case TValue::Kind::String: {
      // Tables that keep numbers as text (dBase character fields) give them with blanks.
      const std::string& s = value.Str();
      const size_t first = s.find_first_not_of(' ');
      const size_t last = s.find_last_not_of(' ');
      if (first == std::string::npos) return false;
      const char* end = s.data() + last + 1;
      const auto [ptr, ec] = std::from_chars(s.data() + first, end, d);
      if (ec != std::errc() || ptr != end) return false;
      break;
    }
    default:
      return false;
  }
  // NaN fails the comparison as well.
  if (!(std::fabs(d) <= limit)) return false;
  degrees = d;
  return true;
}

bool ReadPosition(TTable& table, const TPositionFields& fields, double& latitude,
                  double& longitude) {
  if (!fields.Found()) return false;
  return ValueDegrees(table.FieldValue(fields.Latitude), 90, latitude) &&
         ValueDegrees(table.FieldValue(fields.Longitude), 180, longitude);
}

}  // namespace lw
