#pragma once

#include <memory>
#include <string>

#include "Session.h"

namespace lw {

class TDatabase;

// A session of its own, for each user of the engine that opens tables on its own behalf (the
// search worker, the shared data object, the export): a generated name, so that its tables
// and passwords never meet another's, already open, with one database over `directory`
// (not yet connected; "" leaves the name to be set before it connects).
struct TPrivateSession {
  std::unique_ptr<TSession> Session;
  TDatabase* Database = nullptr;  // owned by Session
};

TPrivateSession OpenPrivateSession(const std::string& directory = std::string());

}  // namespace lw
