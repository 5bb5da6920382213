// Inline ruby recognised from an info list (the ruby flavor) over plain text
// with "(ruby)" parts, both from outside. The input is a count byte, that
// many 6-byte big-endian infos, then the text. Whatever is recognised must
// be a sound ruby list, and taking the inline parts out and putting them
// back must give the text unchanged, through the ruby array too, and
// positions must move between the plain and the inline text byte for byte.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/core.h"
#include "text/facilities.h"
#include "text/runs/ruby.h"

#include "sound.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KxTextFacilities();
  CoreInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 1 << 20) return 0;
  std::size_t n = std::min<std::size_t>(data[0], (size - 1) / kKxRubyInfoFlatSize);
  std::vector<SKXRubyInfo> infos(n);
  for (std::size_t k = 0; k < n; ++k) KxGetRubyInfoFlat(data + 1 + k * kKxRubyInfoFlatSize, infos[k], true);
  const std::uint8_t* rest = data + 1 + n * kKxRubyInfoFlatSize;
  // An exact-size copy, so that reading past the end is caught.
  std::vector<char> text(rest, data + size);
  const long textLen = static_cast<long>(text.size());

  long count = -1;
  long removed = UKXRuby::FromRubyInfo(infos.data(), static_cast<long>(n), text.data(), textLen, nullptr, &count);
  if (count < 0 || count > static_cast<long>(n) || removed > textLen) std::abort();
  std::vector<SKXRuby> rubys(static_cast<std::size_t>(count) + 1);
  long count2 = 0;
  if (UKXRuby::FromRubyInfo(infos.data(), static_cast<long>(n), text.data(), textLen, rubys.data(), &count2) !=
          removed ||
      count2 != count)
    std::abort();

  std::vector<char> plain = text;
  long plainLen = textLen;
  UKXRuby::DeleteRubyFromText(0, rubys.data(), count, plain.data(), plainLen);
  if (plainLen != textLen - removed) std::abort();
  // What was recognised is a list the store accepts as it stands.
  std::vector<SKXRuby> checked = rubys;
  if (KxCheckRubys(checked.data(), count, plainLen) != count) std::abort();

  const std::vector<char> stripped(plain.begin(), plain.begin() + plainLen);
  plain.resize(static_cast<std::size_t>(textLen));
  UKXRuby::InsertRubyToText(0, rubys.data(), count, plain.data(), plainLen);
  // Compared as vectors: an empty text has no data pointer to hand to memcmp.
  if (plainLen != textLen || plain != text) std::abort();

  // The ruby array gives back infos that recognise the same parts.
  CKXRubyArray array;
  array.SetRubys(rubys.data(), count);
  if (array.GetCount() != count) std::abort();
  KxFuzzRequireSound(array.Check(static_cast<long>(stripped.size()), false), "ruby array");
  std::vector<SKXRubyInfo> again(static_cast<std::size_t>(count) + 1);
  long m = array.GetRubyInfo(0, textLen, again.data(), count);
  long count3 = 0;
  if (UKXRuby::FromRubyInfo(again.data(), m, text.data(), textLen, nullptr, &count3) != removed || count3 != count)
    std::abort();

  // The array writes the inline parts back itself, and positions move
  // between the two forms: each plain byte lands on its byte of the text.
  const long strippedLen = static_cast<long>(stripped.size());
  if (array.GetRubyInsertSize(0, strippedLen) != removed) std::abort();
  std::vector<char> inlined = stripped;
  inlined.resize(static_cast<std::size_t>(textLen));
  long inlinedLen = strippedLen;
  array.GetRubyInsertText(0, strippedLen, inlined.data(), inlinedLen);
  // Exported bases end before their first control byte and never part a
  // character (a lone lead byte before "(" pairs with what follows once the
  // inline part is out), so only texts whose bases stand whole come back
  // unchanged.
  std::vector<SKXRuby> exported = rubys;
  const bool cut = UKXRuby::AdjustRubyTarget(0, exported.data(), count, stripped.data(), strippedLen);
  if (inlinedLen != textLen || (!cut && inlined != text)) std::abort();
  std::vector<std::int32_t> at(stripped.size() + 1);
  for (std::size_t k = 0; k < at.size(); ++k) at[k] = static_cast<std::int32_t>(k);
  array.GetRubyInsertPos(0, strippedLen, at.data(), static_cast<long>(at.size()), sizeof at[0]);
  for (std::size_t k = 0; k < stripped.size(); ++k) {
    if (at[k] < 0 || at[k] >= textLen || text[static_cast<std::size_t>(at[k])] != stripped[k]) std::abort();
    if (at[k + 1] <= at[k]) std::abort();
  }
  UKXRuby::DeleteRubyFromPos(0, rubys.data(), count, at.data(), static_cast<long>(at.size()), sizeof at[0]);
  for (std::size_t k = 0; k < at.size(); ++k)
    if (at[k] != static_cast<std::int32_t>(k)) std::abort();
  return 0;
}
