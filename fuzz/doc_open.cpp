// Opening a document from arbitrary data-file and sidecar bytes. Byte 0:
// bit 0 a sidecar is present, bits 1-2 the name's ending (.txt .kxt .rtf
// .pict); bytes 1-4 the data file's length (big-endian, cut to what
// follows); then the data file, then the sidecar. Whatever opens saves in
// either layout and reopens equal, saves as RTF and reopens, and a picture
// file saved as one keeps its picture.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "document/doc_file.h"
#include "engine/text_flavors.h"
#include "formats/facilities.h"
#include "platform/bytefields.h"
#include "platform/core.h"
#include "platform/files.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;
fs::path gDir;

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "doc_open: %s\n", what);
    std::abort();
  }
}

void Put(const fs::path& path, const std::uint8_t* p, std::size_t n) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(p), std::streamsize(n));
}

// Everything of a document that a save must keep.
struct Snapshot {
  std::vector<Bytes> flavors;
  Bytes records;
};

Snapshot Take(const SKXDocument& doc, bool windowRects) {
  Snapshot s;
  CKXTextFlavorWriter w(*doc.text, 0, doc.text->GetLength());
  Bytes b;
  w.MakeText(b);
  s.flavors.push_back(b);
  for (OSType t : {kKxFlavorStyl, kKxFlavorPara, kKxFlavorUniChars, kKxFlavorRubyInfo}) {
    b.clear();
    w.MakeFlavor(t, b);
    // Line heights and ascents are measured again after a read.
    if (t == kKxFlavorStyl)
      for (std::size_t at = 2; at + 20 <= b.size(); at += 20) std::fill(b.begin() + long(at) + 4, b.begin() + long(at) + 8, 0);
    s.flavors.push_back(b);
  }
  std::vector<KxFlavorBytes> pictures;
  b.clear();
  w.MakeDeco(b, EKXPictureRefs::kSequence, &pictures);
  s.flavors.push_back(b);
  for (const KxFlavorBytes& p : pictures) s.flavors.push_back(p);
  SKXDocSettings set = doc.settings;
  if (!windowRects) set.window.bounds = set.window.stdState = Rect{};
  Bytes r;
  KxWriteMPSR(set.window, KxByteOrder::kBig, r);
  s.records.insert(s.records.end(), r.begin(), r.end());
  if (KxWriteKXSR(set.pref, KxByteOrder::kBig, r).empty()) s.records.insert(s.records.end(), r.begin(), r.end());
  KxWriteMARK(set.marks, KxByteOrder::kBig, r);
  s.records.insert(s.records.end(), r.begin(), r.end());
  s.records.insert(s.records.end(), set.rank.levels.begin(), set.rank.levels.end());  // places do not cross byte orders
  KxWriteLINE(set.lineRestarts, KxByteOrder::kBig, r);
  s.records.insert(s.records.end(), r.begin(), r.end());
  s.records.insert(s.records.end(), set.printRecord.begin(), set.printRecord.end());
  if (set.usesForm) s.records.insert(s.records.end(), set.forms.begin(), set.forms.end());
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KxFormatsFacilities();
  CoreInit();
  gDir = fs::temp_directory_path() / ("kx_doc_open_" + std::to_string(getpid()));
  fs::create_directories(gDir);
  std::atexit([] { fs::remove_all(gDir); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  static const char* const endings[] = {"doc.txt", "doc.kxt", "doc.rtf", "doc.pict"};
  const std::uint8_t flags = data[0];
  const std::size_t dataLen = std::min<std::size_t>(KxGetU32BE(data + 1), size - 5);
  const fs::path in = gDir / endings[(flags >> 1) & 3];
  for (const auto& e : fs::directory_iterator(gDir)) fs::remove_all(e.path());
  Put(in, data + 5, dataLen);
  if (flags & 1) Put(KxSidecarPath(in.string()), data + 5 + dataLen, size - 5 - dataLen);

  SKXDocument doc;
  std::string message;
  if (KxReadDocument(in.string(), doc, message) != 0) return 0;
  Check(doc.text->Check().empty(), "the text read is unsound");
  const long length = doc.text->GetLength();
  for (const SKXMarkRec& m : doc.settings.marks) Check(m.start >= 0 && m.start <= m.end && m.end <= length, "a mark outside the text");
  Check(doc.settings.window.selStart <= doc.settings.window.selEnd && long(doc.settings.window.selEnd) <= length,
        "a selection outside the text");

  for (EKXLayout layout : {EKXLayout::kClassic, EKXLayout::kContainer}) {
    const bool classic = layout == EKXLayout::kClassic;
    const fs::path out = gDir / (classic ? "out.txt" : "out.kxt");
    if (KxWriteDocument(out.string(), doc, layout, message) != 0) continue;  // a count that does not fit
    SKXDocument back;
    const int err = KxReadDocument(out.string(), back, message);
    if (err != 0) std::fprintf(stderr, "%s: %s\n", out.c_str(), message.c_str());
    Check(err == 0, "a document we saved does not open");
    Check(back.notice.empty(), "a document we saved opens with a notice");
    const Snapshot a = Take(doc, classic), b = Take(back, classic);
    for (std::size_t i = 0; i < a.flavors.size() && i < b.flavors.size(); ++i)
      if (a.flavors[i] != b.flavors[i]) std::fprintf(stderr, "flavor %zu differs (%s)\n", i, classic ? "classic" : "container");
    Check(a.flavors == b.flavors, "the text or its runs changed through a save");
    Check(a.records == b.records, "the settings changed through a save");
  }

  // The other kinds a document is saved as. RTF goes through the
  // converter and must open again; a picture file saved as a picture file
  // keeps its picture (none is cut down or emptied on the way).
  {
    const fs::path out = gDir / "out.rtf";
    if (KxWriteDocument(out.string(), doc, EKXLayout::kClassic, message) == 0) {
      SKXDocument back;
      Check(KxReadDocument(out.string(), back, message) == 0, "an RTF file we saved does not open");
    }
  }
  if (doc.type == FourCC("PICT") && doc.layout == EKXLayout::kClassic) {
    const fs::path out = gDir / "out.pict";
    Check(KxWriteDocument(out.string(), doc, EKXLayout::kClassic, message) == 0, "a picture file could not be saved");
    SKXDocument back;
    Check(KxReadDocument(out.string(), back, message) == 0, "a picture file we saved does not open");
    Check(Take(doc, true).flavors == Take(back, true).flavors, "the picture changed through a save");
  }
  return 0;
}
