// CKXTextRunSED: files, notes and the user's break for the styled stream
// editor.
#include <algorithm>
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
// A check after the pattern space was rebuilt (a substitution or "x" puts
// another buffer in its place) also pays a step for this many of its units:
// a loop that copies a growing line (":a;s/x/xx/;ba") costs what it copies,
// while one that only jumps or appends (":a;N;$!ba") costs a step a turn.
constexpr long kUnitsPerStep = 256;
// The stdio handle of the run's own output; the others are write files.
constexpr long kOutputHandle = 2;

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
  mLimited = false;
  mLineRefused = false;
  mUnwritable = 0;
  mCheckedPat = -1;
  mNextBreak = 0;
  CKXTextSED::initialize();
}

bool CKXTextRunSED::DoStreamEdit(const std::vector<SKXSedStream>& scripts, const std::vector<SKXSedStream>& inputs,
                                 const SKXSedStream& output, bool noPrint, bool global) {
  mRunBytes = 0;
  mRunWriteBytes = 0;
  const bool ok = CKXTextSED::DoStreamEdit(scripts, inputs, output, noPrint, global);
  // What this run made and the series still holds stays counted against
  // it. An output that finished into its file (the batch's temporary, or
  // the file itself) holds no memory any more; its write files stay held
  // until the series ends, and a text output lives on in the caller.
  const bool writtenOut = ok && output.kind == SKXSedStream::Kind::kFile;
  mSeriesBytes += writtenOut ? mRunWriteBytes : mRunBytes;
  return ok;
}

long CKXTextRunSED::OutputBytes(long* writeFiles) const {
  long bytes = 0, others = 0;
  for (long k = 1; k <= kSedMaxFiles; ++k) {
    const File& f = mFile[k];
    if (!f.open || !f.write) continue;
    const long held =
        long(f.out.size() + f.runAttr.size() * sizeof(std::uint32_t) + f.runStart.size() * sizeof(std::int32_t) +
             f.uni.size() * sizeof(SKXUniChar) + f.rubys.size() * sizeof(SKXRuby));
    bytes += held;
    if (k != kOutputHandle) others += held;
  }
  if (writeFiles) *writeFiles = others;
  return bytes;
}

// The units only: the side records of a styled text grow with them, a
// fixed multiple, and are bounded with them by the line length. Counted in
// full they would stop a 50 MB styled text joined into one line, which the
// line length lets through.
long CKXTextRunSED::LineBytes(long lineCap) const { return 3 * lineCap * long(sizeof(SEDunit)); }

bool CKXTextRunSED::EnlargeLineBuf(long more) {
  // Refused here, the growth ends the run with error 22, which then counts
  // as the series' bound (unless a smaller growth is still allowed): past
  // the line length as past the bytes.
  mLineRefused = more > 0 && (mBuf.lineCap + more > MaxLine() ||
                              (mSeriesByteLimit > 0 &&
                               mSeriesBytes + OutputBytes() + LineBytes(mBuf.lineCap + more) > mSeriesByteLimit));
  if (mLineRefused) return false;
  return CKXTextSED::EnlargeLineBuf(more);
}

std::string CKXTextRunSED::ItemNote(short item, const char* text, long number) const {
  if (mListID == 0) return std::string();
  Str255 got{};
  GetIndString(got, mListID, item);
  std::string form(reinterpret_cast<const char*>(got + 1), got[0]);
  if (const size_t at = form.find("%d"); at != std::string::npos) form.replace(at, 2, std::to_string(number));
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

std::string CKXTextRunSED::ErrorNote(int code, const char* text) const {
  return ItemNote(short(code + mBase - 1), text, 0);
}

void CKXTextRunSED::ShowNote(const std::string& text) { KXMessageBox::StrNote(text); }

void CKXTextRunSED::printerror(int code, const char* text) {
  CSEDHost::printerror(code, text);
  if (code == 22 && mLineRefused) mLimited = true;
  // A file refused for characters its encoding lacks says so and how many.
  std::string note;
  if (code == 9 && mUnwritable > 0) {
    // The file by its own name: the folder is the target's.
    std::string name = text ? text : "";
    if (const size_t slash = name.find_last_of("/\x01"); slash != std::string::npos) name.erase(0, slash + 1);
    note = ItemNote(kUnwritableItem, name.c_str(), mUnwritable);
  } else {
    note = ErrorNote(code, text);
  }
  if (note.empty()) return;
  if (mHoldNotes)
    mHeldNotes.push_back(note);
  else
    ShowNote(note);
}

// Every 30 ticks at most: Escape or Command-period from the host ends the
// run as a failure. The series' bounds are checked every time.
void CKXTextRunSED::check_break() {
  CSEDHost::check_break();
  if (mSeriesStepLimit > 0) {
    long cost = 1;
    if (mIdx[kPat] != mCheckedPat) {
      mCheckedPat = mIdx[kPat];
      cost += Len(kPat) / kUnitsPerStep;
    }
    mSeriesSteps += cost;
    if (mSeriesSteps > mSeriesStepLimit) {
      mLimited = true;
      Fatal(1);
    }
  }
  if (mSeriesByteLimit > 0) {
    long writeFiles = 0;
    mRunBytes = std::max(mRunBytes, OutputBytes(&writeFiles));
    mRunWriteBytes = std::max(mRunWriteBytes, writeFiles);
    if (mSeriesBytes + mRunBytes + LineBytes(mBuf.lineCap) > mSeriesByteLimit) {
      mLimited = true;
      Fatal(1);
    }
  }
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
  mUnwritable = 0;
  return KxSedWriteFile(path, text, format, withInfo, message, mBatch, &mUnwritable) == 0;
}
