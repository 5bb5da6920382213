// Fuzz target: a stream-editor script run over a styled text. The bytes
// before the first zero are the script, the rest the text (CR ends a
// paragraph); every third byte starts a style run of its own colour, every
// base of two letters carries a ruby and every placeholder a side entry, so
// that side records travel through whatever the script does. The output
// must be a sound text whatever happens.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/core.h"
#include "text/store/strarray.h"
#include "tools/facilities.h"
#include "tools/sed_text.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KxToolsFacilities();
  CoreInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string all(reinterpret_cast<const char*>(data), size);
  const size_t zero = all.find('\0');
  const std::string script = all.substr(0, zero);
  const std::string bytes = zero == std::string::npos ? std::string("ab\rcd\r") : all.substr(zero + 1);
  SKXSedText in;
  std::vector<SKXStyl> styls;
  std::vector<SKXUniChar> uni;
  std::vector<SKXRuby> rubys;
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  const long n = long(bytes.size());
  for (long k = 0; k < n;) {
    const long w = SEDLeadByte(b[k]) && k + 1 < n ? 2 : 1;
    if (k % 3 == 0) {
      SKXStyl s{};
      s.offset = std::int32_t(k);
      s.styl.size = 12;
      s.styl.color.red = std::uint16_t(k + 1);
      styls.push_back(s);
    }
    if (KxIsPlaceholderAt(b + k, n - k)) uni.push_back(SKXUniChar{std::int32_t(k), 0x20000u + std::uint32_t(k)});
    if (w == 1 && k + 1 < n && b[k] >= 'a' && b[k] <= 'z' && b[k + 1] >= 'a' && b[k + 1] <= 'z' &&
        (rubys.empty() || rubys.back().pos + 2 <= k)) {
      SKXRuby r{};
      r.pos = std::int32_t(k);
      r.baseLen = 2;
      r.rubyLen = 2;
      r.text[0] = char(0x82);
      r.text[1] = char(0xA0);
      rubys.push_back(r);
    }
    k += w;
  }
  in.text->SetText(bytes.data(), n, styls.data(), long(styls.size()), nullptr, 0, nullptr, 0, uni.data(),
                   long(uni.size()));
  if (!rubys.empty()) in.text->SetRubys(rubys.data(), long(rubys.size()));
  in.marks = {{0, 1, 1, "m"}};
  in.ranks = true;
  SKXSedText scriptText;
  scriptText.text->SetText(script.data(), long(script.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  SKXSedText other;
  other.text->SetText("read\r", 5, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  CKXTextSED sed;
  sed.SetStepBudget(2000);
  sed.SetMaxLine(8000);
  sed.mReadable["r"] = &other;
  sed.DoStreamEdit({SKXSedStream::Text(&scriptText)}, {SKXSedStream::Text(&in), SKXSedStream::Text(&in)},
                   SKXSedStream(), false, false);
  if (!sed.Output().text->Check().empty()) std::abort();
  return 0;
}
