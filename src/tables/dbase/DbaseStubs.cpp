// Placeholder until the dBase codec lands; delete this file when it does.
#include "DatabaseError.h"
#include "TableCodec.h"

namespace lw {
std::unique_ptr<TTableCodec> OpenDbaseTable(const std::string& path, const TOpenOptions&) {
  ThrowTableError(path, "dBase tables are not supported yet");
}
void CreateDbaseTable(const std::string& path, const std::vector<TFieldDef>&) {
  ThrowTableError(path, "dBase tables are not supported yet");
}
}  // namespace lw
