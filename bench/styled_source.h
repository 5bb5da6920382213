// A 10 MB styled text for the flavor benchmarks: Shift_JIS and ASCII with
// line ends, about 10^5 records (30000 style, 30000 decoration and 10000
// paragraph runs, 20000 side entries, 10000 rubies), built once.
#pragma once

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "layout/facilities.h"
#include "platform/core.h"
#include "text/store/text.h"

namespace kxbench {

constexpr long kSize = 10L << 20;

struct StyledStart {
  StyledStart() {
    KxLayoutFacilities();
    CoreInit();
  }
};

inline const CKXText& StyledSource() {
  static StyledStart start;
  static CKXText* text = [] {
    std::mt19937 rng(7);
    std::string s;
    s.reserve(size_t(kSize) + 8);
    while (long(s.size()) < kSize) {
      unsigned r = rng();
      if (r % 3 == 0) {
        s += char(0x82);
        s += char(0xA0 + (r >> 8) % 0x50);
      } else {
        s += (r >> 8) % 80 == 0 ? '\r' : char('a' + (r >> 8) % 26);
      }
    }
    const long len = long(s.size());
    // Runs spread evenly (even offsets); the store does not ask them to
    // fall on character boundaries.
    auto offsets = [&](long n, long phase) {
      std::vector<long> v;
      for (long k = 0; k < n; ++k) v.push_back((k * (len / n) + phase) & ~1L);
      v[0] = 0;
      return v;
    };
    std::vector<SKXStyl> styls;
    for (long o : offsets(30000, 0)) styls.push_back({std::int32_t(o), {15, 12, 0, std::uint8_t(styls.size() % 3), 0, 12, {}}});
    std::vector<SKXDeco> decos;
    for (long o : offsets(30000, 40)) decos.push_back({std::int32_t(o), {std::uint16_t((decos.size() % 2) << 3), 0, 0, 0}, 0});
    std::vector<SKXPara> paras;
    for (long o : offsets(10000, 0)) {
      // A paragraph run starts just after a line end.
      const auto cr = s.find('\r', size_t(o));
      if (o != 0 && (cr == std::string::npos || long(cr) + 1 >= len)) continue;
      SKXPara p{};
      p.offset = std::int32_t(o == 0 ? 0 : long(cr) + 1);
      p.para.leftIndent = std::int16_t(12 * (paras.size() % 3));
      p.para.tabCount = 2;
      p.para.tabPos[0] = 40;
      p.para.tabPos[1] = 80;
      if (paras.empty() || p.offset > paras.back().offset) paras.push_back(p);
    }
    std::vector<SKXUniChar> uni;
    for (long o : offsets(20000, 100)) {
      s[size_t(o)] = char(0x81);
      s[size_t(o) + 1] = char(0xFC);
      uni.push_back({std::int32_t(o), 0x4E000000u + std::uint32_t(uni.size() % 1000) * 65536u});
    }
    // Ruby bases of plain letters (a base cannot start with a line end).
    const std::vector<long> rubyAt = offsets(10000, 300);
    for (long o : rubyAt) s.replace(size_t(o), 4, "base");
    auto* t = new CKXText;
    t->SetText(s.data(), len, styls.data(), long(styls.size()), decos.data(), long(decos.size()), paras.data(),
               long(paras.size()), uni.data(), long(uni.size()));
    std::vector<SKXRuby> rubys;
    for (long o : rubyAt) {
      SKXRuby r{};
      r.pos = std::int32_t(o);
      r.baseLen = 4;
      r.rubyLen = 6;
      std::memcpy(r.text, "reading", 6);
      rubys.push_back(r);
    }
    t->SetRubys(rubys.data(), long(rubys.size()));
    return t;
  }();
  return *text;
}

}  // namespace kxbench
