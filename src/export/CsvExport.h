#pragma once

namespace lw {

class TExportEngine;

// Writes the engine's checked fields of every source record to a CSV file: a header line of
// quoted field names, then one line per record, each ending in CR LF. Values by field kind:
// text and blobs in double quotes with quotes inside doubled (RFC 4180; "" for null),
// booleans as True/False (null is False), numbers, dates and times as their text form
// unquoted (nothing for null), kinds CSV cannot show as "(NOT SUPPORTED)".
void WriteCsvExport(TExportEngine& engine);

}  // namespace lw
