#pragma once

#include <cstdint>

namespace lw {

class TTable;

// Visits other records of a table and puts its cursor back where it was.
//
// The grid reads the rows it paints by moving the shared cursor to them, and the record
// view, the navigator and the grid's own current row all follow that cursor. While a peek
// is active those followers ignore cursor notifications (Active()), so painting never looks
// like a move. User-interface thread only.
class TCursorPeek {
 public:
  explicit TCursorPeek(TTable& table);
  ~TCursorPeek();
  TCursorPeek(const TCursorPeek&) = delete;
  TCursorPeek& operator=(const TCursorPeek&) = delete;

  // Moves to record `recNo` (1-based, in the table's current order).
  void MoveTo(int64_t recNo);

  static bool Active();

 private:
  TTable& FTable;
  int64_t FSavedRecNo;
};

}  // namespace lw
