#include "ThreadAction.h"

namespace lw {

const char* ThreadActionName(TThreadAction action) {
  switch (action) {
    case taNone:
      return "taNone";
    case taStarted:
      return "taStarted";
    case taOpened:
      return "taOpened";
    case taFirstMatch:
      return "taFirstMatch";
    case taMatchBatch:
      return "taMatchBatch";
    case taProgress:
      return "taProgress";
    case taFinished:
      return "taFinished";
    case taError:
      return "taError";
  }
  return "taUnknown";
}

}  // namespace lw
