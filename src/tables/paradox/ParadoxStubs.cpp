// Placeholder until the Paradox codec lands; delete this file when it does.
#include "DatabaseError.h"
#include "TableCodec.h"

namespace lw {
std::unique_ptr<TTableCodec> OpenParadoxTable(const std::string& path, const TOpenOptions&) {
  ThrowTableError(path, "Paradox tables are not supported yet");
}
void CreateParadoxTable(const std::string& path, const std::vector<TFieldDef>&,
                        const std::vector<TIndexDef>&, const std::string&) {
  ThrowTableError(path, "Paradox tables are not supported yet");
}
void SetParadoxMasterPassword(const std::string& path, const std::string&,
                              const std::vector<std::string>&) {
  ThrowTableError(path, "Paradox tables are not supported yet");
}
uint32_t ParadoxPasswordChecksum(std::string_view) { return 0; }
}  // namespace lw
