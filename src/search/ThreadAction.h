#pragma once

#include <cstdint>

namespace lw {

// The kind of a search worker's display event.
enum TThreadAction : uint8_t {
  taNone = 0,        // never raised
  taStarted = 1,     // once, before any table is opened
  taOpened = 2,      // once, both tables open and the total known
  taFirstMatch = 3,  // after the first match has been posted
  taMatchBatch = 4,  // after every posted match whose count is a multiple of 10
  taProgress = 5,    // after every examined record
  taFinished = 6,    // once, when the scan has ended without a stop request
  taError = 7,       // opening or scanning failed; the message says why
};

// "taStarted", ... for logs and test output.
const char* ThreadActionName(TThreadAction action);

}  // namespace lw
