// CKXTextRunSED: files, notes and the user's break for the styled stream
// editor.
#include <cstring>

#include "formats/aozora.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/host/host.h"
#include "platform/resources.h"
#include "text/codes/jcode.h"
#include "tools/sed_text.h"
#include "views/message_box.h"

namespace {

constexpr long kNoteMax = 250;
constexpr std::uint32_t kBreakTicks = 30;

// The length of the longest prefix of at most `max` bytes that ends on a
// Shift_JIS character boundary.
long CutOnCharacter(const std::string& s, long max) {
  long k = 0;
  const long n = long(s.size());
  while (k < n) {
    const int c = static_cast<unsigned char>(s[size_t(k)]);
    const long w = SEDLeadByte(c) && k + 1 < n ? 2 : 1;
    if (k + w > max) break;
    k += w;
  }
  return k;
}

}  // namespace

void CKXTextRunSED::initialize() {
  mChecked = false;
  mBroken = false;
  mNextBreak = 0;
  CKXTextSED::initialize();
}

std::string CKXTextRunSED::ErrorNote(int code, const char* text) const {
  if (mListID == 0) return std::string();
  Str255 item{};
  GetIndString(item, mListID, short(code + mBase - 1));
  const std::string form(reinterpret_cast<const char*>(item + 1), item[0]);
  std::string arg = text ? text : "";
  // Folder separators of names travel as 0x01.
  for (char& c : arg)
    if (c == '\x01') c = '/';
  // Built in a bounded buffer: nothing past the note's limit is kept.
  std::string out;
  for (size_t k = 0; k < form.size() && long(out.size()) <= kNoteMax; ++k) {
    if (form[k] == '%' && k + 1 < form.size() && form[k + 1] == 's') {
      out.append(arg, 0, size_t(kNoteMax + 2));
      ++k;
    } else {
      out += form[k];
    }
  }
  out.resize(size_t(CutOnCharacter(out, kNoteMax)));
  return out;
}

void CKXTextRunSED::ShowNote(const std::string& text) { KXMessageBox::StrNote(text); }

void CKXTextRunSED::printerror(int code, const char* text) {
  CSEDHost::printerror(code, text);
  const std::string note = ErrorNote(code, text);
  if (!note.empty()) ShowNote(note);
}

// Every 30 ticks at most: Escape or Command-period from the host ends the
// run as a failure.
void CKXTextRunSED::check_break() {
  CSEDHost::check_break();
  const std::uint32_t now = TickCount();
  if (mChecked && std::int32_t(now - mNextBreak) < 0) return;
  mChecked = true;
  mNextBreak = now + kBreakTicks;
  if (KxCurrentHost().PeekForEscape()) {
    mBroken = true;
    Fatal(1);
  }
}

long CKXTextRunSED::fopen(const char* name, const char* mode) {
  const long h = CKXTextSED::fopen(name, mode);
  if (h < 3 || !mFile[h].write || !mFile[h].isFile) return h;
  // The file itself is written when the run is over, through the same
  // safe writer: its temporary made and dropped now tells whether it can
  // be. Nothing of the target is touched.
  CKXSafeWriter probe(mFile[h].path);
  probe.SkipSweep();
  const int err = probe.Open();
  probe.Abort();
  if (err == 0) return h;
  mFailMessage = KxErrorText(err);
  mFile[h] = File();
  return 0;
}

bool CKXTextRunSED::ReadTextFile(const std::string& path, SKXSedText& text, SKXSedFormat& format, bool isStdin,
                                 std::string& message) {
  (void)isStdin;
  if (KxSedReadFile(path, mEncoding, text, format, message) != 0) return false;
  if (mAozora && !format.document) KXUtilConvertAozoraTextWithAttributedString(text.text.get(), nullptr);
  return true;
}

bool CKXTextRunSED::WriteTextFile(const std::string& path, const SKXSedText& text, const SKXSedFormat& format,
                                  bool withInfo, std::string& message) {
  return KxSedWriteFile(path, text, format, withInfo, message, mBatch) == 0;
}
