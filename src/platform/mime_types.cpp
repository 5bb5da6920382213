#include "platform/mime_types.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <unordered_map>

namespace {

constexpr std::size_t kMaxFile = std::size_t(4) << 20;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool EqualFrom(const std::string& name, std::size_t at, const std::string& part, bool caseSensitive) {
  if (at + part.size() != name.size()) return false;
  for (std::size_t i = 0; i < part.size(); ++i) {
    const char a = name[at + i], b = part[i];
    if (caseSensitive ? a != b : Lower(a) != Lower(b)) return false;
  }
  return true;
}

bool Wild(const std::string& s) { return s.find_first_of("*?[") != std::string::npos; }

std::vector<std::string> DataFolders() {
  std::vector<std::string> out;
  const char* home = std::getenv("XDG_DATA_HOME");
  const char* user = std::getenv("HOME");
  if (home && *home) out.push_back(home);
  else if (user && *user) out.push_back(std::string(user) + "/.local/share");
  const char* dirs = std::getenv("XDG_DATA_DIRS");
  std::string list = dirs && *dirs ? dirs : "/usr/local/share:/usr/share";
  for (std::size_t from = 0; from <= list.size();) {
    std::size_t colon = list.find(':', from);
    if (colon == std::string::npos) colon = list.size();
    if (colon > from) out.push_back(list.substr(from, colon - from));
    from = colon + 1;
  }
  return out;
}

std::string ReadBounded(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::string data(kMaxFile, '\0');
  in.read(data.data(), std::streamsize(data.size()));
  data.resize(std::size_t(in.gcount()));
  return data;
}

std::string Decode(const std::string& s) {
  static const std::pair<const char*, char> kEntities[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    bool done = false;
    if (s[i] == '&')
      for (const auto& [e, c] : kEntities)
        if (s.compare(i, std::char_traits<char>::length(e), e) == 0) {
          out += c;
          i += std::char_traits<char>::length(e);
          done = true;
          break;
        }
    if (!done) out += s[i++];
  }
  return out;
}

}  // namespace

std::vector<KxMimeGlob> KxParseMimeGlobs(const char* data, std::size_t size) {
  std::vector<KxMimeGlob> globs;
  std::size_t at = 0;
  while (at < size) {
    std::size_t end = at;
    while (end < size && data[end] != '\n') ++end;
    const std::string line(data + at, end - at);
    at = end + 1;
    if (line.empty() || line[0] == '#') continue;
    const std::size_t c1 = line.find(':');
    const std::size_t c2 = c1 == std::string::npos ? c1 : line.find(':', c1 + 1);
    if (c2 == std::string::npos || c1 == 0 || c1 > 3) continue;
    KxMimeGlob g;
    for (std::size_t i = 0; i < c1; ++i) {
      if (line[i] < '0' || line[i] > '9') goto next;
      g.weight = g.weight * 10 + (line[i] - '0');
    }
    {
      g.type = line.substr(c1 + 1, c2 - c1 - 1);
      std::size_t c3 = line.find(':', c2 + 1);
      g.pattern = line.substr(c2 + 1, c3 == std::string::npos ? std::string::npos : c3 - c2 - 1);
      if (c3 != std::string::npos && line.find("cs", c3 + 1) != std::string::npos) g.caseSensitive = true;
      const bool suffix = g.pattern.size() > 1 && g.pattern[0] == '*' && !Wild(g.pattern.substr(1));
      if (g.type.empty() || g.pattern.empty() || (!suffix && Wild(g.pattern))) continue;
      globs.push_back(std::move(g));
    }
  next:;
  }
  return globs;
}

namespace {

bool Matches(const KxMimeGlob& g, const std::string& name) {
  const bool suffix = g.pattern[0] == '*';
  const std::size_t length = g.pattern.size() - (suffix ? 1 : 0);
  if (length > name.size()) return false;
  return EqualFrom(name, suffix ? name.size() - length : 0, g.pattern.substr(suffix ? 1 : 0), g.caseSensitive);
}

void Consider(const KxMimeGlob& g, const std::string& name, const KxMimeGlob*& best) {
  if (best && (g.weight < best->weight || (g.weight == best->weight && g.pattern.size() <= best->pattern.size())))
    return;
  if (Matches(g, name)) best = &g;
}

std::string LowerExtension(const std::string& s) {
  const std::size_t dot = s.rfind('.');
  std::string ext = dot == std::string::npos ? std::string() : s.substr(dot + 1);
  for (char& c : ext) c = Lower(c);
  return ext;
}

// The globs by the ending after their last dot, so that a name is checked
// against the few that can match it rather than against all.
struct MimeIndex {
  std::vector<KxMimeGlob> globs;
  std::unordered_map<std::string, std::vector<std::size_t>> byEnding;
  std::vector<std::size_t> others;
  void Build() {
    for (std::size_t i = 0; i < globs.size(); ++i) {
      const std::string& p = globs[i].pattern;
      if (p.size() > 2 && p[0] == '*' && p[1] == '.' && p.find('.', 2) == std::string::npos)
        byEnding[LowerExtension(p)].push_back(i);
      else
        others.push_back(i);
    }
  }
  std::string Match(const std::string& name) const {
    const KxMimeGlob* best = nullptr;
    if (auto it = byEnding.find(LowerExtension(name)); it != byEnding.end())
      for (std::size_t i : it->second) Consider(globs[i], name, best);
    for (std::size_t i : others) Consider(globs[i], name, best);
    return best ? best->type : std::string();
  }
};

}  // namespace

std::string KxMatchMimeGlobs(const std::vector<KxMimeGlob>& globs, const std::string& name) {
  const KxMimeGlob* best = nullptr;
  for (const KxMimeGlob& g : globs) Consider(g, name, best);
  return best ? best->type : std::string();
}

std::string KxMimeComment(const char* data, std::size_t size, const std::string& language) {
  const std::string text(data, size);
  std::string plain, local;
  for (std::size_t at = text.find("<comment"); at != std::string::npos; at = text.find("<comment", at + 1)) {
    const std::size_t close = text.find('>', at);
    if (close == std::string::npos) break;
    const std::size_t end = text.find("</comment>", close);
    if (end == std::string::npos) break;
    const std::string attributes = text.substr(at + 8, close - at - 8);
    const std::string body = Decode(text.substr(close + 1, end - close - 1));
    if (attributes.find_first_not_of(" \t\r\n") == std::string::npos) {
      if (plain.empty()) plain = body;
    } else if (!language.empty() && attributes.find("xml:lang=\"" + language + "\"") != std::string::npos) {
      if (local.empty()) local = body;
    }
  }
  return local.empty() ? plain : local;
}

std::string KxMimeTypeOfName(const std::string& name) {
  static std::once_flag once;
  static MimeIndex index;
  std::call_once(once, [] {
    // The first folder that has the database wins, as the desktop reads it.
    for (const std::string& folder : DataFolders()) {
      const std::string data = ReadBounded(folder + "/mime/globs2");
      if (data.empty()) continue;
      index.globs = KxParseMimeGlobs(data.data(), data.size());
      if (!index.globs.empty()) break;
    }
    index.Build();
  });
  return index.Match(name);
}

std::string KxMimeDescription(const std::string& type) {
  if (type.empty() || type.find("..") != std::string::npos || type.find('/') == std::string::npos) return {};
  const char* lang = std::getenv("LANG");
  const std::string language = lang && std::string(lang).rfind("ja", 0) == 0 ? "ja" : "";
  for (const std::string& folder : DataFolders()) {
    const std::string data = ReadBounded(folder + "/mime/" + type + ".xml");
    if (data.empty()) continue;
    return KxMimeComment(data.data(), data.size(), language);
  }
  return {};
}
