#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "strutil/CodePage.h"

namespace lw {

// Tables, settings and criteria are 8-bit text; widgets speak QString. Every crossing of that
// boundary goes through these two functions, which read the table's code page through
// strutil/CodePage.h, as the command-line tool does.
QString WidgetText(std::string_view bytes, int codePage = kDefaultCodePage);
// Characters the code page cannot hold become '?'.
std::string TableBytes(const QString& text, int codePage = kDefaultCodePage);

}  // namespace lw
