// The one file that talks to MeCab.
#include "platform/textconv.h"
#include "platform/toolbox/japanese_analysis.h"

#include <mecab.h>

#include <cstring>
#include <vector>

#include "platform/framework/dialog.h"

namespace {
constexpr std::size_t kMaxReading = 254;
// Feature fields of the IPA dictionary: part of speech ..., base form,
// reading, pronunciation. The reading is field 7 (from 0).
constexpr std::size_t kReadingField = 7;
// Tried in order: the system's configuration, then the dictionary by path.
const char* const kTaggerArgs[] = {"", "-d /var/lib/mecab/dic/ipadic-utf8", "-d /var/lib/mecab/dic/debian"};

mecab_t* gTagger = nullptr;
bool gTried = false;

mecab_t* Tagger() {
  if (!gTried) {
    gTried = true;
    for (const char* args : kTaggerArgs)
      if ((gTagger = mecab_new2(args)) != nullptr) break;
  }
  return gTagger;
}

std::string Field(const char* feature, std::size_t index) {
  std::size_t at = 0;
  const char* p = feature;
  while (at < index && (p = std::strchr(p, ',')) != nullptr) {
    ++p;
    ++at;
  }
  if (!p) return std::string();
  const char* end = std::strchr(p, ',');
  return end ? std::string(p, end) : std::string(p);
}
}  // namespace

bool UJapaneseAnalysis::IsAvailable() { return Tagger() != nullptr; }

void UJapaneseAnalysis::Terminate() {
  if (gTagger) mecab_destroy(gTagger);
  gTagger = nullptr;
  gTried = false;
}

bool UJapaneseAnalysis::GetReadingText(const std::string& text, Str255 reading) {
  reading[0] = 0;
  mecab_t* tagger = Tagger();
  if (!tagger || text.empty()) return false;
  const std::string utf8 = KxScriptTextToUTF8(text);
  const mecab_node_t* node = mecab_sparse_tonode2(tagger, utf8.data(), utf8.size());
  if (!node) return false;
  std::string out;
  for (; node; node = node->next) {
    if (node->stat == MECAB_BOS_NODE || node->stat == MECAB_EOS_NODE) continue;
    std::string part = node->feature ? Field(node->feature, kReadingField) : std::string();
    // Words the dictionary does not know read as they are written.
    if (part.empty() || part == "*") part.assign(node->surface, node->length);
    const std::string sjis = KxUTF8ToScriptText(part);
    if (out.size() + sjis.size() > kMaxReading) break;
    out += sjis;
  }
  reading[0] = std::uint8_t(out.size());
  std::memcpy(reading + 1, out.data(), out.size());
  return !out.empty();
}
