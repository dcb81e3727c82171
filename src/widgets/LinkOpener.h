#pragma once

#include <QString>
#include <functional>

namespace lw {

// Opens a link target the way the desktop opens it ("http://...", "www.example.com",
// "mailto: someone@example.com"). An empty target opens nothing.
//
// The function is replaceable so that tests see what would have been opened instead of
// starting a browser or a mail program.
using TLinkOpener = std::function<void(const QString& target)>;

void OpenLink(const QString& target);
// Installs `opener` (null: the desktop's own) and returns the previous one.
TLinkOpener SetLinkOpener(TLinkOpener opener);

}  // namespace lw
