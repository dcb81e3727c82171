#pragma once

namespace lw {

class TExportEngine;

// Writes the engine's checked fields of every source record to a new dBase or Paradox table
// (by the engine's format), through a private session that is closed at the end. Field kinds
// and sizes follow the source; dBase names follow ExportFieldName. A record the table refuses
// is dropped and counted, and the run goes on.
void WriteTableExport(TExportEngine& engine);

}  // namespace lw
