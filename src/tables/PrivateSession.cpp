#include "PrivateSession.h"

#include "Database.h"

namespace lw {

TPrivateSession OpenPrivateSession(const std::string& directory) {
  TPrivateSession own;
  own.Session = std::make_unique<TSession>();
  own.Session->SetAutoSessionName(true);
  own.Session->Open();
  // Objects the session creates are bound to it by name already.
  own.Database = own.Session->CreateDatabase();
  if (!directory.empty()) own.Database->SetDatabaseName(directory);
  return own;
}

}  // namespace lw
