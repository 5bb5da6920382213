#include "platform/gtk/gtk_flavors.h"

#include <glib.h>

#include <algorithm>
#include <cstring>

#include "platform/files.h"
#include "platform/host/drag_data.h"
#include "platform/utf16.h"

namespace {

const char kPrivatePrefix[] = "application/x-kxtext-";
const char kUtf8String[] = "UTF8_STRING";
const char kTextPlainUtf8[] = "text/plain;charset=utf-8";
const char kUriList[] = "text/uri-list";
// Text targets other programs offer that we read but never offer: plain
// text is taken as UTF-8 (what the desktop's programs put there). STRING
// is Latin-1 by the X conventions and TEXT whatever the owner chose, but
// programs put UTF-8 under both: either is taken as UTF-8 when it is valid
// UTF-8 (Latin-1 text rarely is), else as Latin-1.
const char kTextPlain[] = "text/plain";
const char kString[] = "STRING";
const char kText[] = "TEXT";

bool IsTextPlainUtf8(const std::string& target) {
  return g_ascii_strcasecmp(target.c_str(), kTextPlainUtf8) == 0 ||
         g_ascii_strcasecmp(target.c_str(), "text/plain;charset=UTF-8") == 0;
}

// Latin-1 bytes as UTF-8.
std::string Latin1ToUtf8(const std::uint8_t* data, std::size_t size) {
  std::string out;
  for (std::size_t k = 0; k < size; ++k) {
    const unsigned c = data[k];
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string PrivateTarget(OSType type) {
  std::string s = kPrivatePrefix;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const auto c = static_cast<unsigned char>(type >> shift);
    if (g_ascii_isalnum(c)) {
      s += static_cast<char>(c);
    } else {
      char hex[4];
      g_snprintf(hex, sizeof hex, "%%%02X", c);
      s += hex;
    }
  }
  return s;
}

bool ParsePrivate(const std::string& name, OSType& type) {
  type = 0;
  int chars = 0;
  for (std::size_t k = 0; k < name.size(); ++chars) {
    unsigned c = static_cast<unsigned char>(name[k]);
    if (c == '%') {
      if (k + 2 >= name.size() + 0 || !g_ascii_isxdigit(name[k + 1]) || !g_ascii_isxdigit(name[k + 2])) return false;
      c = static_cast<unsigned>(g_ascii_xdigit_value(name[k + 1]) * 16 + g_ascii_xdigit_value(name[k + 2]));
      k += 3;
    } else {
      if (!g_ascii_isalnum(static_cast<char>(c))) return false;
      ++k;
    }
    if (chars >= 4) return false;
    type = (type << 8) | c;
  }
  return chars == 4;
}

// Whether the bytes are UTF-8, NULs included: glib's checks end at a NUL.
bool IsUtf8(const std::uint8_t* data, std::size_t size) {
  for (std::size_t from = 0; from < size;) {
    const void* nul = std::memchr(data + from, 0, size - from);
    const std::size_t end = nul ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - data) : size;
    if (!g_utf8_validate(reinterpret_cast<const gchar*>(data + from), static_cast<gssize>(end - from), nullptr))
      return false;
    from = end + 1;
  }
  return true;
}

}  // namespace

std::vector<std::string> KxGtkTargetsOf(OSType type) {
  std::vector<std::string> out{PrivateTarget(type)};
  if (type == kKxGtkUtxt) {
    out.push_back(kUtf8String);
    out.push_back(kTextPlainUtf8);
  } else if (type == FourCC("RTF ")) {
    out.push_back("text/rtf");
  } else if (type == FourCC("JPEG")) {
    out.push_back("image/jpeg");
  } else if (type == kKxGtkHFS) {
    out.push_back(kUriList);
  }
  return out;
}

OSType KxGtkFlavorOfTarget(const std::string& target, bool* isPrivate) {
  if (isPrivate) *isPrivate = false;
  if (target.rfind(kPrivatePrefix, 0) == 0) {
    OSType type = 0;
    if (!ParsePrivate(target.substr(sizeof kPrivatePrefix - 1), type)) return 0;
    if (isPrivate) *isPrivate = true;
    return type;
  }
  if (target == kUtf8String || IsTextPlainUtf8(target) || target == kTextPlain || target == kString ||
      target == kText)
    return kKxGtkUtxt;
  if (target == "text/rtf") return FourCC("RTF ");
  if (target == "image/jpeg") return FourCC("JPEG");
  if (target == kUriList) return kKxGtkHFS;
  return 0;
}

std::vector<std::uint8_t> KxGtkUtf8ToUtxt(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> out;
  if (!data || size == 0 || size > G_MAXSSIZE) return out;
  // A NUL is a character of the text, as it is in a file that is opened;
  // glib's conversions end at one, so they go a stretch between NULs at a
  // time (a CR and an LF on either side of a NUL stay two line ends).
  for (std::size_t from = 0; from <= size;) {
    const void* nul = std::memchr(data + from, 0, size - from);
    const std::size_t end = nul ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - data) : size;
    gchar* valid = g_utf8_make_valid(reinterpret_cast<const gchar*>(data + from), static_cast<gssize>(end - from));
    // CR LF and LF become CR, the line end inside the program.
    std::string text;
    for (const gchar* p = valid; *p; ++p) {
      if (*p == '\r' && p[1] == '\n') continue;
      text += *p == '\n' ? '\r' : *p;
    }
    g_free(valid);
    glong count = 0;
    gunichar2* units = g_utf8_to_utf16(text.data(), static_cast<glong>(text.size()), nullptr, &count, nullptr);
    if (!units) return std::vector<std::uint8_t>();
    for (glong k = 0; k < count; ++k) {
      out.push_back(static_cast<std::uint8_t>(units[k]));
      out.push_back(static_cast<std::uint8_t>(units[k] >> 8));
    }
    g_free(units);
    if (!nul) break;
    out.push_back(0);
    out.push_back(0);
    from = end + 1;
  }
  return out;
}

std::string KxGtkUtxtToUtf8(const std::vector<std::uint8_t>& utxt) {
  std::vector<gunichar2> units(utxt.size() / 2);
  for (std::size_t k = 0; k < units.size(); ++k)
    units[k] = static_cast<gunichar2>(utxt[2 * k] | (utxt[2 * k + 1] << 8));
  // Lone surrogates have no UTF-8: each becomes U+FFFD.
  for (std::size_t k = 0; k < units.size(); ++k) {
    if (KxIsHighSurrogate(units[k]) && k + 1 < units.size() && KxIsLowSurrogate(units[k + 1])) {
      ++k;
    } else if (KxIsSurrogate(units[k])) {
      units[k] = 0xFFFD;
    }
  }
  // A NUL goes out as one, as a saved file has it; glib's conversion ends
  // at one, so it goes a stretch between NULs at a time.
  std::string out;
  for (std::size_t from = 0; from < units.size();) {
    const std::size_t end = static_cast<std::size_t>(std::find(units.begin() + from, units.end(), 0) - units.begin());
    if (end > from) {
      glong written = 0;
      gchar* utf8 = g_utf16_to_utf8(units.data() + from, static_cast<glong>(end - from), nullptr, &written, nullptr);
      if (!utf8) return std::string();
      for (glong k = 0; k < written; ++k) out += utf8[k] == '\r' ? '\n' : utf8[k];
      g_free(utf8);
    }
    if (end == units.size()) break;
    out += '\0';
    from = end + 1;
  }
  return out;
}

int KxGtkTargetRank(const std::string& target) {
  bool isPrivate = false;
  if (KxGtkFlavorOfTarget(target, &isPrivate) == 0) return 100;
  if (isPrivate) return 0;
  if (target == kText) return 4;
  if (target == kString) return 5;
  if (target == kTextPlain) return 3;
  if (IsTextPlainUtf8(target)) return 2;
  return 1;
}

bool KxGtkExport(const std::string& target, OSType type, const std::vector<std::uint8_t>& in,
                 std::vector<std::uint8_t>& out) {
  bool isPrivate = false;
  if (KxGtkFlavorOfTarget(target, &isPrivate) != type) return false;
  // Only the targets we offer are served.
  if (target == kTextPlain || target == kString || target == kText) return false;
  if (isPrivate || (type != kKxGtkUtxt && type != kKxGtkHFS)) {
    out = in;
    return true;
  }
  if (type == kKxGtkUtxt) {
    const std::string utf8 = KxGtkUtxtToUtf8(in);
    out.assign(utf8.begin(), utf8.end());
    return true;
  }
  OSType fileType = 0;
  std::string path;
  if (!KxReadHFSFlavor(in.data(), static_cast<long>(in.size()), fileType, path)) return false;
  gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  if (!uri) return false;
  const std::string line = std::string(uri) + "\r\n";
  g_free(uri);
  out.assign(line.begin(), line.end());
  return true;
}

bool KxGtkImport(const std::string& target, const std::uint8_t* data, std::size_t size,
                 std::vector<std::vector<std::uint8_t>>& records) {
  records.clear();
  bool isPrivate = false;
  const OSType type = KxGtkFlavorOfTarget(target, &isPrivate);
  if (type == 0) return false;
  if (isPrivate || (type != kKxGtkUtxt && type != kKxGtkHFS)) {
    records.emplace_back(data, data + (data ? size : 0));
    return true;
  }
  if (type == kKxGtkUtxt) {
    const bool legacy = target == kString || target == kText;
    const bool utf8 = !legacy || !data || size > G_MAXSSIZE || IsUtf8(data, size);
    if (utf8) {
      records.push_back(KxGtkUtf8ToUtxt(data, size));
    } else {
      const std::string text = Latin1ToUtf8(data, size);
      records.push_back(KxGtkUtf8ToUtxt(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    }
    return true;
  }
  // A file list: NUL-free text, one URI a line.
  std::string text(reinterpret_cast<const char*>(data), data ? size : 0);
  text = text.substr(0, text.find('\0'));
  gchar** uris = g_uri_list_extract_uris(text.c_str());
  for (gchar** u = uris; u && *u; ++u) {
    gchar* host = nullptr;
    gchar* path = g_filename_from_uri(*u, &host, nullptr);
    // A file of another machine is not the local file of that name.
    const bool local = !host || std::strcmp(host, "localhost") == 0;
    g_free(host);
    if (!path) continue;
    const std::string p = path;
    g_free(path);
    if (!local) continue;
    if (p.size() > static_cast<std::size_t>(kKxHFSMaxPath) || !KxIsRegularFile(p)) continue;
    records.push_back(KxMakeHFSFlavor(0, 0, p));
  }
  g_strfreev(uris);
  return !records.empty();
}
