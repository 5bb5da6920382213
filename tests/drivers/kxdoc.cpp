// kxdoc: documents through the file tube.
//
//   kxdoc dump FILE      the layout, every stored flavor and each settings
//                        record by name, field by field
//   kxdoc copy IN OUT [--layout classic|container]
//                        reads IN as a document and writes it to OUT (in
//                        IN's layout unless --layout says otherwise)
//
// Exit status: 0 done, 1 a file that cannot be read or written, 2 usage.
#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "document/doc_file.h"
#include "document/doc_prefs.h"
#include "document/file_tube.h"
#include "driver.h"
#include "formats/facilities.h"
#include "platform/bytefields.h"
#include "platform/resfork.h"

namespace {


int Usage() {
  std::fprintf(stderr,
               "usage: kxdoc dump FILE\n"
               "       kxdoc copy IN OUT [--layout classic|container]\n");
  return 2;
}

std::string Quoted(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    } else {
      out += char(c);
    }
  }
  return out + "\"";
}

void PrintRect(const char* name, const Rect& r) { std::printf(" %s %d %d %d %d", name, r.top, r.left, r.bottom, r.right); }

void PrintHdFt(const char* name, const SKXHdFtBlock& b, const std::string& text) {
  std::printf("%s %d %u %u %u", name, b.word0, b.textLength, b.byte4, b.byte5);
  for (short w : b.words) std::printf(" %d", w);
  std::printf(" %u %u %s\n", b.byte16, b.byte17, Quoted(text).c_str());
}

void PrintSettings(CKXTextFileTube& tube) {
  SKXDocSettings doc;
  ReadDocPref(tube, doc);
  if (doc.hasWindow) {
    const SKXWindowRec& w = doc.window;
    std::printf("MPSR font-size %d font %s space-width %d tab-width %d", w.fontSize, Quoted(w.fontName).c_str(),
                w.spaceWidth, w.tabWidth);
    PrintRect("std-state", w.stdState);
    PrintRect("bounds", w.bounds);
    std::printf(" saved %u selection %u %u top-left %u auto-indent %u control-view %u\n", w.saveTime, w.selStart,
                w.selEnd, w.topLeft, w.autoIndent, w.controlView);
  }
  if (doc.hasPref) {
    const SDocPref& p = doc.pref;
    std::printf("KXSR size %ld line-space %d char-space %d mode %u justify %u wrap %u word-wrap %u paper-view %u "
                "guide-view %u paper %d %d",
                tube.GetFlavorSize(kKxRecKXSR), p.lineSpace, p.charSpace, p.mode, p.justify, p.wrap, p.wordWrap,
                p.paperView, p.guideView, p.paperV, p.paperH);
    PrintRect("text-area", p.textArea);
    PrintRect("print-area", p.printArea);
    std::printf(" columns %d gap %d script %d language %d vertical %u view-flags %u first-page %d scale %d\n",
                p.columns, p.gap, p.keyScript, p.keyLanguage, p.vertical, p.viewFlags, p.firstPage, p.scale);
    PrintHdFt("KXSR header", p.header, p.headerText);
    PrintHdFt("KXSR footer", p.footer, p.footerText);
  }
  for (const SKXMarkRec& m : doc.marks) std::printf("MARK %d %d %s\n", m.start, m.end, Quoted(m.name).c_str());
  if (doc.hasRank) {
    const SKXRankRec& r = doc.rank;
    std::printf("RANK rect %d %d %d %d point %d %d state %u %u shown %u flag %u count %zu levels", r.rect[0], r.rect[1],
                r.rect[2], r.rect[3], r.point[0], r.point[1], r.state[0], r.state[1], r.shown, r.flag2,
                r.levels.size());
    for (std::int8_t l : r.levels) std::printf(" %d", l);
    std::printf("\n");
  }
  if (!doc.lineRestarts.empty()) {
    std::printf("LINE");
    for (std::int32_t v : doc.lineRestarts) std::printf(" %d", v);
    std::printf("\n");
  }
  if (!doc.printRecord.empty()) std::printf("MTPR %zu bytes\n", doc.printRecord.size());
  if (doc.usesForm) {
    for (int f = 0; f < 2; ++f) {
      std::printf("FORM %s", f == 0 ? "current" : "default");
      for (int k = 0; k < kKxFormRecSize; k += 2) std::printf(" %d", std::int16_t(KxGetU16BE(doc.forms.data() + 64 * f + k)));
      std::printf("\n");
    }
  }
}

int Dump(const std::string& path) {
  CKXTextFileTube tube;
  std::string message;
  if (tube.OpenRead(path, message)) {
    std::fprintf(stderr, "kxdoc: %s: %s\n", path.c_str(), message.c_str());
    return 1;
  }
  std::printf("layout %s%s type %s creator %s\n", tube.ResourceExists() ? "container" : "classic",
              tube.IsInverted() ? " other-byte-order" : "", ("\"" + KxTypeText(tube.GetFileType()) + "\"").c_str(),
              ("\"" + KxTypeText(tube.GetCreator()) + "\"").c_str());
  if (!tube.Notice().empty()) std::printf("notice %s\n", tube.Notice().c_str());
  if (!tube.ResourceExists())
    std::printf("flavor %s data-file %ld\n", ("\"" + KxTypeText(tube.GetFileType()) + "\"").c_str(), tube.GetDataForkSize());
  for (const CKXTextFileTube::SStored& s : tube.ListStored()) {
    const OSType flavor = CKXTextFlavorFile::FileFlavorType(s.type, s.id);
    std::printf("flavor %s stored %s %d %ld\n", ("\"" + KxTypeText(flavor) + "\"").c_str(), ("\"" + KxTypeText(s.type) + "\"").c_str(),
                s.id, s.size);
  }
  PrintSettings(tube);
  for (int n = 1; tube.PictureExists(); ++n) {
    const long size = tube.GetPictureSize();
    std::vector<std::uint8_t> pict;
    tube.GetFlavorData(FourCC("PICT"), pict);
    const int kind = pict.size() >= 2 ? KxGetU16BE(pict.data()) : 0;
    const char* name = kind >= 3 && kind <= 11 && (kind & 1) ? std::array<const char*, 6>{"PICT", "WBMP", "WDIB", "WMFP", "WEMF", "JPEG"}[std::size_t(kind / 2)] : "PICT";
    int h = 0, w = 0;
    if (pict.size() >= 10) {
      h = std::int16_t(KxGetU16BE(pict.data() + 6)) - std::int16_t(KxGetU16BE(pict.data() + 2));
      w = std::int16_t(KxGetU16BE(pict.data() + 8)) - std::int16_t(KxGetU16BE(pict.data() + 4));
    }
    std::printf("picture %d %s size %ld frame %d %d\n", n, name, size, h, w);
  }
  SKXDocument doc;
  if (KxReadDocument(path, doc, message) == 0) std::printf("text %ld bytes\n", doc.text->GetLength());
  return 0;
}

int Copy(const std::string& in, const std::string& out, const char* layoutName) {
  SKXDocument doc;
  std::string message;
  if (KxReadDocument(in, doc, message)) {
    std::fprintf(stderr, "kxdoc: %s: %s\n", in.c_str(), message.c_str());
    return 1;
  }
  if (!doc.notice.empty()) std::fprintf(stderr, "kxdoc: %s: %s\n", in.c_str(), doc.notice.c_str());
  EKXLayout layout = doc.layout;
  if (layoutName) layout = std::strcmp(layoutName, "container") == 0 ? EKXLayout::kContainer : EKXLayout::kClassic;
  if (KxWriteDocument(out, doc, layout, message)) {
    std::fprintf(stderr, "kxdoc: %s: %s\n", out.c_str(), message.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 2 && args[0] == "dump") return KxDriverMain("kxdoc", KxFormatsFacilities, [&] { return Dump(args[1]); });
  if (args.size() >= 3 && args[0] == "copy") {
    const char* layout = nullptr;
    if (args.size() == 5 && args[3] == "--layout" && (args[4] == "classic" || args[4] == "container"))
      layout = argv[5];
    else if (args.size() != 3)
      return Usage();
    return KxDriverMain("kxdoc", KxFormatsFacilities, [&] { return Copy(args[1], args[2], layout); });
  }
  return Usage();
}
