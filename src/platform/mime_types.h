// The desktop's content types from its shared MIME database: the type a
// name's glob gives and the type's description. Read from the database's
// own files (globs2 and the type's XML file), each read once and bounded;
// a missing or damaged file gives no type.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct KxMimeGlob {
  int weight = 0;
  std::string type;
  std::string pattern;   // "*.ext" (a suffix) or a whole name
  bool caseSensitive = false;
};
// The lines of a globs2 file ("weight:type:glob[:flags]") this reader
// takes: suffix globs and whole names; others are skipped.
std::vector<KxMimeGlob> KxParseMimeGlobs(const char* data, std::size_t size);
// The type of the best match for `name` (highest weight, then the longest
// pattern); "" when none matches.
std::string KxMatchMimeGlobs(const std::vector<KxMimeGlob>& globs, const std::string& name);
// The <comment> of a type's XML file in `language` ("ja"), else the one
// without a language; entities decoded. "" without one.
std::string KxMimeComment(const char* data, std::size_t size, const std::string& language);

// Through the installed database (the XDG data folders' mime/).
std::string KxMimeTypeOfName(const std::string& name);
std::string KxMimeDescription(const std::string& type);
