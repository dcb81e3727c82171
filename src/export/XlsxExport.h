#pragma once

#include <cstdint>

namespace lw {

class TExportEngine;

// Rows a sheet holds below its header row.
inline constexpr int64_t kXlsxMaxRecords = 1048576 - 1;
// Characters a cell holds; longer text is cut and counted.
inline constexpr int kXlsxMaxCellText = 32767;

// Writes the engine's checked fields of every source record to an Excel workbook of one sheet
// (libxlsxwriter, constant-memory mode: one row in memory at a time). A bold, frozen header
// row of field names, then one row per record: text as text (leading zeros kept; line breaks
// as LF, the sheet's own), numbers as
// numbers, dates and times as dates and times, logicals as TRUE/FALSE, memos as text cut at
// the cell's limit, kinds a cell cannot hold as "(NOT SUPPORTED)". Columns as wide as the
// fields.
void WriteXlsxExport(TExportEngine& engine);

}  // namespace lw
