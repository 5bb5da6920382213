#include "platform/url_open.h"

#include <cctype>

namespace {

std::function<bool(const std::string&)>& Opener() {
  static std::function<bool(const std::string&)> opener;
  return opener;
}

bool StartsWithNoCase(const std::string& s, const char* prefix) {
  std::size_t k = 0;
  for (; prefix[k]; ++k)
    if (k >= s.size() || std::tolower((unsigned char)s[k]) != prefix[k]) return false;
  return true;
}

}  // namespace

bool KxIsOpenableURL(const std::string& url) {
  for (unsigned char c : url)
    if (c <= 0x20 || c == 0x7F) return false;
  if (StartsWithNoCase(url, "http://")) return url.size() > 7;
  if (StartsWithNoCase(url, "https://")) return url.size() > 8;
  if (StartsWithNoCase(url, "mailto:")) return url.size() > 7;
  return false;
}

bool KxOpenURL(const std::string& url) {
  if (!KxIsOpenableURL(url) || !Opener()) return false;
  return Opener()(url);
}

void KxSetURLOpener(std::function<bool(const std::string&)> opener) { Opener() = std::move(opener); }
