#include "LinkOpener.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

namespace lw {

namespace {

// Link targets are what the settings and the record hold: bare host names, and e-mail
// targets with a blank after "mailto:". The desktop wants real URLs.
QUrl DesktopUrl(const QString& target) {
  const QString trimmed = target.trimmed();
  if (trimmed.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive))
    return QUrl(QStringLiteral("mailto:") + trimmed.mid(7).trimmed());
  // A name of an existing file (a news item's "notes.txt") opens that file, as the desktop's
  // "open" of a relative name does; anything else is read as a web address.
  return QUrl::fromUserInput(trimmed, QDir::currentPath());
}

void DesktopOpen(const QString& target) {
  if (target.trimmed().isEmpty()) return;
  const QUrl url = DesktopUrl(target);
  if (url.isValid()) QDesktopServices::openUrl(url);
}

TLinkOpener& CurrentOpener() {
  static TLinkOpener opener;
  return opener;
}

}  // namespace

void OpenLink(const QString& target) {
  if (CurrentOpener())
    CurrentOpener()(target);
  else
    DesktopOpen(target);
}

TLinkOpener SetLinkOpener(TLinkOpener opener) {
  TLinkOpener previous = std::move(CurrentOpener());
  CurrentOpener() = std::move(opener);
  return previous;
}

}  // namespace lw
