#pragma once

// How the engine's field kinds are stored in a dBase table that we create.
//
//   ftString size n                       C(n), n from 1 to 254
//   ftSmallint                            N(6,0)
//   ftWord                                N(5,0)
//   ftInteger, ftAutoInc                  N(11,0)   (dBase has no counter: values are copied)
//   ftFloat                               N(19,6); N(19, Precision) when Precision is given;
//                                         N(Size, Precision) when Size (up to 20) is given
//   ftCurrency                            N(19,4)
//   ftBCD (Size = decimals)               N(19, min(Size, 15))
//   ftBoolean                             L
//   ftDate                                D
//   ftTime                                C(8)  "HH:MM:SS"
//   ftDateTime                            C(19) "YYYY-MM-DD HH:MM:SS"
//   ftMemo, ftFmtMemo                     M (text)
//   ftBlob, ftGraphic, ftParadoxOle,      M (binary)
//   ftDBaseOle, ftTypedBinary, ftBytes,
//   ftVarBytes
//
// The chosen widths stay within dBase III's limits (N at most 19 wide, at most 15 decimals)
// so that every reader takes them; an explicit width may go to dBase IV's 20. A table whose memo
// fields hold only text is a dBase III+ table (0x83) with a dBase III .dbt; a binary memo field
// makes it a dBase IV table (0x8B) with a dBase IV .dbt, whose memos carry their length: dBase III
// ends a memo at the byte 0x1A, which binary data contains. Without memo fields the table is plain
// dBase III (0x03). Reading such a table back gives ftString, ftSmallint/ftInteger (N up to 4 / 9
// digits), ftFloat, ftBoolean, ftDate and ftMemo.

#include <string>
#include <vector>

#include "FieldDefs.h"

namespace lw::dbase {

struct TDbaseColumn {
  char Letter = 'C';
  int Width = 0;
  int Decimals = 0;
  bool BinaryMemo = false;
};

// Column for one field definition; throws EDatabaseError naming `path` for a kind dBase cannot
// hold or a width outside the format's limits.
TDbaseColumn DbaseColumnFor(const std::string& path, const TFieldDef& def);

}  // namespace lw::dbase
