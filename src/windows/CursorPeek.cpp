#include "CursorPeek.h"

#include "Table.h"

namespace lw {

namespace {
int gPeekDepth = 0;
}

TCursorPeek::TCursorPeek(TTable& table) : FTable(table), FSavedRecNo(table.RecNo()) {
  ++gPeekDepth;
}

TCursorPeek::~TCursorPeek() {
  try {
    if (FSavedRecNo > 0 && FTable.Active() && FTable.RecNo() != FSavedRecNo)
      FTable.SetRecNo(FSavedRecNo);
  } catch (...) {
    // The table went away under the peek; there is no cursor left to restore.
  }
  --gPeekDepth;
}

void TCursorPeek::MoveTo(int64_t recNo) {
  if (FTable.RecNo() != recNo) FTable.SetRecNo(recNo);
}

bool TCursorPeek::Active() {
  return gPeekDepth > 0;
}

}  // namespace lw
