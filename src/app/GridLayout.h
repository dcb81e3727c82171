#pragma once

namespace lw {

class TIniFile;
class TTable;
class TDBGrid;

// The grid's columns live in the "Grid View" section of the user settings file, one line per
// column in display order: Col<position>=;<field name>;<title>;<width>;<1 for a bold title>.

// Rebuilds the grid's columns from the section, in file order (the key numbers are not
// used for placing). Lines naming a field the table lacks are skipped; a width that is not a
// number gives 50, a bold flag that is not a number a regular title. Without any usable line
// the grid shows one column per field, titled with the field name, none sortable.
void LoadGridLayout(const TIniFile* ini, TTable* table, TDBGrid& grid);

// Replaces the section with the grid's columns as they are now (order, widths, titles, bold).
// Each column is written under its own guard; a failed write skips that column only.
void SaveGridLayout(TIniFile* ini, const TDBGrid& grid);

}  // namespace lw
