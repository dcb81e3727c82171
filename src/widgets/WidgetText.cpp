#include "WidgetText.h"

#include "strutil/CodePage.h"

namespace lw {

QString WidgetText(std::string_view bytes, int codePage) {
  QString out(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
  QChar* dst = out.data();
  for (char c : bytes) *dst++ = QChar(CodePageChar(static_cast<unsigned char>(c), codePage));
  return out;
}

std::string TableBytes(const QString& text, int codePage) {
  std::string out;
  out.reserve(static_cast<size_t>(text.size()));
  for (QChar ch : text) out += CodePageByte(ch.unicode(), codePage);
  return out;
}

}  // namespace lw
