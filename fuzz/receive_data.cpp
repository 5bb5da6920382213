// Receiving a transfer from outside: random flavors and bytes through the
// clipboard, a drag item, a descriptor or a plain-text file, read by the
// flavor exchange into a text. Input: byte 0 picks the carrier (low two
// bits: 0 clipboard, 1 drag, 2 descriptor, 3 file) and the file encoding
// (bits 4-6, 0-4 as the code types); then records of a type byte (an index
// into kTypes), a 16-bit big-endian length and that many bytes. A file
// takes the "TEXT" record as its data and the run flavors as resources.
//
// Whatever comes, the text it lands in must pass its own check and keep
// the bytes it had; nothing may throw but an LException. What came through
// the clipboard is then copied back to it (every flavor the exchange makes,
// through the clipboard primitives) and received again, twice: the second
// time gives the same bytes as the first.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "engine/data_tube.h"
#include "engine/flavor_exchange.h"
#include "engine/text_flavors.h"
#include "formats/facilities.h"
#include "layout/facilities.h"
#include "platform/core.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/host/headless.h"
#include "text/store/text.h"

namespace {

// "hfs " is left out: a random path must not make the harness read files.
constexpr OSType kTypes[] = {kKxFlavorText,     kKxFlavorUtxt,     kKxFlavorStyl, kKxFlavorDeco,
                             kKxFlavorPara,     kKxFlavorUniChars, kKxFlavorRubyInfo, kKxFlavorPict,
                             kKxFlavorGlyphs,   FourCC("PICU"),    kKxFlavorJPEG, kKxFlavorRTF};

std::string FilePath() {
  static const std::string path = (std::filesystem::temp_directory_path() /
                                   ("kx_fuzz_receive_" + std::to_string(::getpid()) + ".txt"))
                                      .string();
  return path;
}

std::string BytesOf(const CKXText& t) {
  std::string s(std::size_t(t.GetLength()), '\0');
  t.CopyBytes(0, t.GetLength(), s.data(), t.GetLength());
  return s;
}

// `from` copied to the clipboard (every flavor the exchange makes, listed
// through the writing tube) and received into `to`; false when the copy is
// refused (a text too large for a flavor's counts).
bool CopyThrough(CKXText& from, CKXText& to) {
  CKXFlavorExchange sender(nullptr, &from);
  try {
    CKXTextClipboardTube out(&sender, SKXRange{0, std::int32_t(from.GetLength())});
    const long count = out.FlavorCount();
    for (long k = 1; k <= count; ++k) {
      const OSType type = out.NthFlavor(k);
      if (type == 0 || out.GetFlavorSize(type) < 0) std::abort();
    }
    if (out.NthFlavor(count + 1) != 0) std::abort();
  } catch (const LException&) {
    return false;
  }
  CKXFlavorExchange exchange(nullptr, &to);
  short mask = 0;
  try {
    CKXTextClipboardTube in;
    exchange.PickFlavorFrom(in);
    exchange.ReceiveDataFrom(SKXRange{0, -1}, in, KXHandleAccess::Wrap(&to), &mask);
  } catch (const LException&) {
    std::abort();   // what we wrote we must read
  }
  if (!to.Check().empty()) std::abort();
  return true;
}

// The received text copied out and in again: the first pass may normalise
// (bytes that decode to nothing go through Unicode when no side entry asks
// for our own text), the second must change nothing.
void CopyBack(CKXText& received) {
  CKXText once, twice;
  if (!CopyThrough(received, once) || !CopyThrough(once, twice)) return;
  if (BytesOf(twice) != BytesOf(once)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KxLayoutFacilities();
  // The converters too: a transfer's "RTF " goes through the RTF reader.
  KxFormatsFacilities();
  CoreInit();
  static KxHeadlessHost host;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 1 << 20) return 0;
  const int kind = data[0] & 3;
  const short encoding = static_cast<short>(((data[0] >> 4) & 7) % 5);
  struct Flavor {
    OSType type;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<Flavor> flavors;
  for (std::size_t at = 1; at + 3 <= size;) {
    const OSType type = kTypes[data[at] % (sizeof kTypes / sizeof kTypes[0])];
    const std::size_t n = std::min<std::size_t>(std::size_t(data[at + 1]) << 8 | data[at + 2], size - at - 3);
    flavors.push_back({type, std::vector<std::uint8_t>(data + at + 3, data + at + 3 + n)});
    at += 3 + n;
  }

  CKXText dest;
  dest.SetText("xy", 2, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  CKXFlavorExchange exchange(nullptr, &dest);
  exchange.SetTextEncoding(encoding);
  const KXTextHandle into = KXHandleAccess::Wrap(&dest);
  short mask = 0;
  try {
    if (kind == 0) {
      KxCurrentHost().ClearClipboard();
      for (const Flavor& f : flavors) KxCurrentHost().PutClipboard(f.type, f.bytes.data(), f.bytes.size());
      CKXTextClipboardTube tube;
      exchange.PickFlavorFrom(tube);
      exchange.ReceiveDataFrom(SKXRange{0, -1}, tube, into, &mask);
    } else if (kind == 1) {
      KxDragData drag;
      drag.AddItem(1);
      drag.AddItem(2);
      for (std::size_t k = 0; k < flavors.size(); ++k)
        drag.SetFlavor(k % 3 == 2 ? 2 : 1, flavors[k].type, flavors[k].bytes.data(), flavors[k].bytes.size());
      CKXDragTube tube(&drag, 1);
      exchange.PickFlavorFrom(tube);
      exchange.ReceiveDataFrom(SKXRange{0, -1}, tube, into, &mask);
    } else if (kind == 2) {
      AEDesc desc = AEDesc::MakeRecord();
      for (const Flavor& f : flavors) desc.PutKeyPtr(f.type, f.type, f.bytes.data(), f.bytes.size());
      CKXDescTube tube(&desc, true);
      exchange.ReceiveDataFrom(SKXRange{0, -1}, tube, into, &mask);
    } else {
      const std::string path = FilePath();
      std::vector<std::uint8_t> text;
      KxResFork fork;
      for (const Flavor& f : flavors)
        if (f.type == kKxFlavorText)
          text = f.bytes;
        else if (f.bytes.size() < 0x10000)
          fork.Put(f.type, static_cast<std::int16_t>(kKxFileTubeItem), f.bytes.data(), f.bytes.size());
      if (KxWriteFileSafely(path, text.data(), text.size()) != 0) return 0;
      KxRemoveSidecar(path);
      if (!fork.Empty()) KxWriteResourceFork(path, fork);
      {
        CKXFileTube tube(path, kKxFileRead);
        exchange.ReceiveDataFrom(SKXRange{0, -1}, tube, into, &mask);
      }
      KxRemoveSidecar(path);
      std::filesystem::remove(path);
    }
  } catch (const LException&) {
    // A refusal is an answer.
  }
  if (!dest.Check().empty()) std::abort();
  std::string head(2, '\0');
  dest.CopyBytes(0, 2, head.data(), 2);
  if (head != "xy") std::abort();
  if (mask < 0 || mask > 15) std::abort();
  if (kind == 0) CopyBack(dest);
  return 0;
}
