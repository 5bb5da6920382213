// Character-set conversion of text read from a file with its style and
// decoration runs, all from outside. The input is a style-run count byte,
// that many 20-byte big-endian style runs, a decoration-run count byte, that
// many 10-byte big-endian decoration runs, then the text. The conversion
// must stay inside the bytes, and converting back must restore every byte
// that has a partner in the other set; the styled text made from the result
// keeps its rules, through the whole-text conversions too (character set
// both ways, shift left and right, every character-type mode).
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/core.h"
#include "text/facilities.h"
#include "text/store/text.h"
#include "text/store/transform.h"

#include "sound.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KxTextFacilities();
  CoreInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2 || size > 1 << 20) return 0;
  std::size_t at = 1;
  std::size_t ns = std::min<std::size_t>(data[0], (size - at) / kKxStylRunFlatSize);
  std::vector<SKXStyl> styls(ns);
  for (auto& s : styls) KxGetStylRunFlat(data + at, s, true), at += kKxStylRunFlatSize;
  if (at >= size) return 0;
  const std::uint8_t count = data[at++];
  std::size_t nd = std::min<std::size_t>(count, (size - at) / kKxDecoRunFlatSize);
  std::vector<SKXDeco> decos(nd);
  for (auto& d : decos) KxGetDecoRunFlat(data + at, d, true), at += kKxDecoRunFlatSize;
  // An exact-size copy, so that writing past the end is caught.
  std::vector<char> text(data + at, data + size);
  const std::vector<char> before = text;
  const long len = static_cast<long>(text.size());
  UKXText::CharSetConvert(true, text.data(), len, styls.data(), long(ns), decos.data(), long(nd));
  UKXText::CharSetConvert(false, text.data(), len, styls.data(), long(ns), decos.data(), long(nd));
  // A byte converted there and back is itself again unless it was one of the
  // Windows bytes that has no Mac partner of its own.
  for (long k = 0; k < len; ++k) {
    if (text[size_t(k)] == before[size_t(k)]) continue;
    bool macByte = false;
    for (int i = 0; UKXText::sCharSetMacWin[i] != 0; i += 2)
      macByte |= UKXText::sCharSetMacWin[i] == static_cast<unsigned char>(before[size_t(k)]);
    if (macByte) std::abort();
  }
  // The picture table is not part of the input, so each list is checked on
  // its own rather than through the whole text's Check().
  CKXText t;
  t.SetText(text.data(), len, styls.data(), long(ns), decos.data(), long(nd), nullptr, 0, nullptr, 0);
  KxFuzzRequireSound(t.GetStrArray()->Check(), "store");
  KxFuzzRequireSound(t.GetStylArray()->Check(len), "style runs");
  KxFuzzRequireSound(t.GetDecoArray()->Check(len), "decoration runs");
  // The whole-text conversions: each keeps the store and the runs sound.
  if (len > 4096) return 0;
  auto sound = [&](const char* what) {
    const long n = t.GetLength();
    KxFuzzRequireSound(t.GetStrArray()->Check(), what);
    KxFuzzRequireSound(t.GetStylArray()->Check(n), what);
    KxFuzzRequireSound(t.GetDecoArray()->Check(n), what);
  };
  UKXText::CharSetKXText(&t, true);
  sound("character set to Windows");
  UKXText::CharSetKXText(&t, false);
  sound("character set to Mac");
  UKXText::ShiftKXText(&t, false);
  sound("shift right");
  UKXText::ShiftKXText(&t, true);
  sound("shift left");
  static constexpr short kModes[] = {UKXText::kCharTypeHalf,        UKXText::kCharTypeFull,
                                     UKXText::kCharTypeKata,        UKXText::kCharTypeHira,
                                     UKXText::kCharTypeUpper,       UKXText::kCharTypeLower,
                                     UKXText::kCharTypeToggleWidth, UKXText::kCharTypeToggleKana,
                                     UKXText::kCharTypeToggleCase,  UKXText::kCharTypeCapitalize};
  for (short mode : kModes) {
    UKXText::CharTypeKXText(&t, mode);
    sound("character type");
  }
  return 0;
}
