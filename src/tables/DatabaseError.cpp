#include "DatabaseError.h"

namespace lw {

void ThrowTableError(const std::string& file, const std::string& reason) {
  throw EDatabaseError(file.empty() ? reason : file + ": " + reason);
}

}  // namespace lw
