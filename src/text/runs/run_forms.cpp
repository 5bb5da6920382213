// Runs in their flat byte forms, and the checks that make outside run
// lists sound.
#include "text/runs/runs.h"

#include <cstring>
#include <vector>

#include "platform/bytefields.h"
#include "text/base/flat.h"
#include "text/runs/pictures.h"
#include "text/runs/run_clean.h"

using kx_runs::CleanRuns;

// --- flat forms ---------------------------------------------------------------------------

void KxGetStylFlat(const unsigned char* p, SStyl& s, bool big) {
  s.height = static_cast<std::int16_t>(KxFlatGet16(p, big));
  s.ascent = static_cast<std::int16_t>(KxFlatGet16(p + 2, big));
  s.font = static_cast<std::int16_t>(KxFlatGet16(p + 4, big));
  s.face = p[6];
  s.filler = p[7];
  s.size = static_cast<std::int16_t>(KxFlatGet16(p + 8, big));
  s.color.red = KxFlatGet16(p + 10, big);
  s.color.green = KxFlatGet16(p + 12, big);
  s.color.blue = KxFlatGet16(p + 14, big);
}

void KxPutStylFlat(unsigned char* p, const SStyl& s, bool big) {
  KxFlatPut16(p, static_cast<std::uint16_t>(s.height), big);
  KxFlatPut16(p + 2, static_cast<std::uint16_t>(s.ascent), big);
  KxFlatPut16(p + 4, static_cast<std::uint16_t>(s.font), big);
  p[6] = s.face;
  p[7] = s.filler;
  KxFlatPut16(p + 8, static_cast<std::uint16_t>(s.size), big);
  KxFlatPut16(p + 10, s.color.red, big);
  KxFlatPut16(p + 12, s.color.green, big);
  KxFlatPut16(p + 14, s.color.blue, big);
}

void KxGetDecoFlat(const unsigned char* p, SDeco& d, bool big) {
  d.lineBits = KxFlatGet16(p, big);
  d.net = p[2];
  d.flags = p[3];
  d.pictID = static_cast<std::int16_t>(KxFlatGet16(p + 4, big));
}

void KxPutDecoFlat(unsigned char* p, const SDeco& d, bool big) {
  KxFlatPut16(p, d.lineBits, big);
  p[2] = d.net;
  p[3] = d.flags;
  KxFlatPut16(p + 4, static_cast<std::uint16_t>(d.pictID), big);
}

void KxGetParaFlat(const unsigned char* p, SParaStyl& s, bool big) {
  s.firstIndent = static_cast<std::int16_t>(KxFlatGet16(p, big));
  s.leftIndent = static_cast<std::int16_t>(KxFlatGet16(p + 2, big));
  s.rightIndent = static_cast<std::int16_t>(KxFlatGet16(p + 4, big));
  s.lineSpace = static_cast<std::int16_t>(KxFlatGet16(p + 6, big));
  s.charSpace = static_cast<std::int16_t>(KxFlatGet16(p + 8, big));
  s.justify = p[10];
  s.tabCount = p[11];
  s.tabKinds = KxFlatGet32(p + 12, big);
  for (int k = 0; k < kKxMaxTabs; ++k) s.tabPos[k] = static_cast<std::int16_t>(KxFlatGet16(p + 16 + 2 * k, big));
  s.tabLeaders = KxFlatGet32(p + 48, big);
  std::memcpy(s.reserved, p + 52, sizeof s.reserved);
}

void KxPutParaFlat(unsigned char* p, const SParaStyl& s, bool big) {
  KxFlatPut16(p, static_cast<std::uint16_t>(s.firstIndent), big);
  KxFlatPut16(p + 2, static_cast<std::uint16_t>(s.leftIndent), big);
  KxFlatPut16(p + 4, static_cast<std::uint16_t>(s.rightIndent), big);
  KxFlatPut16(p + 6, static_cast<std::uint16_t>(s.lineSpace), big);
  KxFlatPut16(p + 8, static_cast<std::uint16_t>(s.charSpace), big);
  p[10] = s.justify;
  p[11] = s.tabCount;
  KxFlatPut32(p + 12, s.tabKinds, big);
  for (int k = 0; k < kKxMaxTabs; ++k) KxFlatPut16(p + 16 + 2 * k, static_cast<std::uint16_t>(s.tabPos[k]), big);
  KxFlatPut32(p + 48, s.tabLeaders, big);
  std::memcpy(p + 52, s.reserved, sizeof s.reserved);
}

void KxGetStylRunFlat(const unsigned char* p, SKXStyl& r, bool big) {
  r.offset = static_cast<std::int32_t>(KxFlatGet32(p, big));
  KxGetStylFlat(p + 4, r.styl, big);
}

void KxPutStylRunFlat(unsigned char* p, const SKXStyl& r, bool big) {
  KxFlatPut32(p, static_cast<std::uint32_t>(r.offset), big);
  KxPutStylFlat(p + 4, r.styl, big);
}

void KxGetDecoRunFlat(const unsigned char* p, SKXDeco& r, bool big) {
  r.offset = static_cast<std::int32_t>(KxFlatGet32(p, big));
  KxGetDecoFlat(p + 4, r.deco, big);
  r.pad = 0;
}

void KxPutDecoRunFlat(unsigned char* p, const SKXDeco& r, bool big) {
  KxFlatPut32(p, static_cast<std::uint32_t>(r.offset), big);
  KxPutDecoFlat(p + 4, r.deco, big);
}

void KxGetParaRunFlat(const unsigned char* p, SKXPara& r, bool big) {
  r.offset = static_cast<std::int32_t>(KxFlatGet32(p, big));
  KxGetParaFlat(p + 4, r.para, big);
}

void KxPutParaRunFlat(unsigned char* p, const SKXPara& r, bool big) {
  KxFlatPut32(p, static_cast<std::uint32_t>(r.offset), big);
  KxPutParaFlat(p + 4, r.para, big);
}

// --- checks ---------------------------------------------------------------------------------

void KxNormalizeStyl(SStyl& s) { s.filler = 0; }

void KxNormalizeDeco(SKXDeco& d) { d.pad = 0; }

void KxNormalizePara(SParaStyl& p) {
  if (p.tabCount > kKxMaxTabs) p.tabCount = kKxMaxTabs;
  for (int k = p.tabCount; k < kKxMaxTabs; ++k) p.tabPos[k] = 0;
  std::uint32_t used = p.tabCount >= kKxMaxTabs ? 0xFFFFFFFFu : (1u << (2 * p.tabCount)) - 1;
  p.tabKinds &= used;
  p.tabLeaders &= used;
  std::memset(p.reserved, 0, sizeof p.reserved);
}

long KxCheckStylRuns(SKXStyl* runs, long n, long textLen) { return CleanRuns(runs, n, textLen); }

long KxCheckParaRuns(SKXPara* runs, long n, long textLen) { return CleanRuns(runs, n, textLen); }

long KxCheckDecoRuns(SKXDeco* runs, long n, long textLen, const CKXRunText* text) {
  // Pictures first: merging must not join a picture run with its neighbour.
  // The first run starts at 0 whatever the list says, so its span is
  // judged from there; an ID that came before names one picture only once.
  if (runs && n > 0) runs[0].offset = 0;
  std::vector<bool> seen;
  for (long k = 0; runs && text && k < n; ++k) {
    const short id = runs[k].deco.pictID;
    if (id == 0) continue;
    long start = runs[k].offset;
    long end = k + 1 < n ? runs[k + 1].offset : textLen;
    seen.resize(size_t(CKXPictArray::kMaxPictureID) + 1);
    if (end - start != 1 || text->GetChar(start, 0) != kKxPictureByte || id < 0 || seen[size_t(id)])
      runs[k].deco.pictID = 0;
    else
      seen[size_t(id)] = true;
  }
  return CleanRuns(runs, n, textLen);
}
