#pragma once

#include <string>

namespace lw {

// URL helpers of the transfer client.

// The scheme of an absolute URL in lower case ("http"), "" when the URL has none.
std::string UrlScheme(const std::string& url);

// An ftp URL whose file name is fetched from the given directory instead of the URL's own:
// "ftp://h/a/b/f.cab" with "pub/x" gives "ftp://h/pub/x/f.cab", with "/pub" the absolute
// "ftp://h/%2Fpub/f.cab". Directory names are percent-encoded; '\' counts as '/'.
std::string FtpUrlInDirectory(const std::string& url, const std::string& directory);

// A text with the user name and password removed from every URL in it ("scheme://user:pw@"
// becomes "scheme://"), for lines that are shown or logged.
std::string RedactUrlsIn(const std::string& text);

}  // namespace lw
