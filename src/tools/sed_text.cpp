#include "tools/sed_text.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>

#include "platform/exception.h"
#include "platform/files.h"
#include "platform/script.h"
#include "platform/textconv.h"
#include "text/base/memory.h"
#include "text/codes/unicode.h"
#include "text/runs/runs.h"
#include "text/store/strarray.h"

namespace {

long TextBytes(const CKXText& t, std::string& out) {
  out.assign(size_t(t.GetLength()), '\0');
  if (!out.empty()) t.CopyBytes(0, t.GetLength(), out.data(), long(out.size()));
  return long(out.size());
}

// Two names of one file: the same path once "." and ".." are resolved, or
// (links followed) the same file on disk.
bool SameFile(const std::string& a, const std::string& b) {
  return std::filesystem::path(a).lexically_normal() == std::filesystem::path(b).lexically_normal() ||
         KxSameFile(a, b);
}

std::vector<SKXUniChar> SideChars(const CKXText& t) {
  std::vector<SKXUniChar> v(size_t(t.GetUniCharsCount()));
  v.resize(size_t(std::max(0L, t.GetUniChars(v.data(), long(v.size())))));
  return v;
}

}  // namespace

CKXTextSED::CKXTextSED() = default;
CKXTextSED::~CKXTextSED() = default;

void CKXTextSED::initialize() {
  for (File& f : mFile) f = File();
  mFile[1].open = true;
  mFile[2].open = true;
  mFile[2].write = true;
  mOutput = SKXSedText();
  mFailedInput.clear();
  mFailMessage.clear();
  mRich = false;
  mCarry = false;
  for (auto& s : mSide) s.clear();
  mAttrs.clear();
  mAttrIndex.clear();
  mRubyTable.clear();
  mInStyls.clear();
  mInDecos.clear();
  mInParas.clear();
  mInUni.clear();
  mInMarks.clear();
  mParaMarks.clear();
  mParas = false;
  mHaveFirst = false;
  mDefaultAttr = 0;
  for (bool& b : mNoLineEnd) b = false;
  mSeenPat = mSeenHold = -1;
  mScriptPath = nullptr;
  mScriptSource = nullptr;
  mScriptBytes = nullptr;
  mScriptUniLoaded = false;
  mScriptUni.clear();
  mLineUni.clear();
  mNameUni.clear();
  mUniUnits.clear();
  mUniUnitOf.clear();
  mRunWrites.clear();
  CSEDHost::initialize();
}

void CKXTextSED::terminate() {
  for (long k = 1; k < mWCount; ++k) {
    if (mWFile[k]) fclose(mWFile[k]);
    mWFile[k] = 0;
  }
  mWCount = 1;
  for (long k = 3; k <= kSedMaxFiles; ++k) mFile[k] = File();
  mFile[1] = File();
}

// ---------------------------------------------------------------- the run

bool CKXTextSED::DoStreamEdit(const std::vector<SKXSedStream>& scripts, const std::vector<SKXSedStream>& inputs,
                              const SKXSedStream& output, bool noPrint, bool global) {
  if (scripts.empty()) return false;
  mRunOK = false;
  try {
    initialize();
    SetNoPrint(noPrint);
    SetGlobal(global);
    for (const SKXSedStream& s : scripts) {
      mScriptUniLoaded = false;
      mScriptUni.clear();
      if (s.kind == SKXSedStream::Kind::kText) {
        std::string bytes;
        if (s.text) TextBytes(*s.text->text, bytes);
        mScriptSource = s.text ? s.text->text.get() : nullptr;
        mScriptBytes = reinterpret_cast<const unsigned char*>(bytes.c_str());
        e_compile(bytes.c_str());
        mScriptSource = nullptr;
        mScriptBytes = nullptr;
      } else if (s.kind == SKXSedStream::Kind::kFile) {
        mScriptPath = s.path.c_str();
        f_compile(s.path.c_str());
        mScriptPath = nullptr;
      }
    }
    resolve();
  } catch (const SEDExit&) {
    terminate();
    return false;
  }
  mInputs = inputs;
  mInputPtrs.clear();
  mInputPaths.clear();
  mAhead = Ahead();
  mHaveMarkInfo = false;
  for (const SKXSedStream& s : inputs) mInputPaths.push_back(s.kind == SKXSedStream::Kind::kFile ? s.path : "");
  for (std::string& s : mInputPaths) mInputPtrs.push_back(s.data());
  CSED::mInputNames = mInputPtrs.empty() ? nullptr : mInputPtrs.data();
  SetInputCount(int(inputs.size()));
  bool ok = true;
  for (size_t k = 0; k < inputs.size() && ok; ++k) {
    mInputIndex = int(k);
    try {
      execute(mInputPtrs[k]);
    } catch (const SEDExit& e) {
      // "q" ends this input only.
      if (e.code != 0) ok = false;
    } catch (const std::bad_alloc&) {
      // Memory for the records ran out: as a line buffer that cannot grow.
      try {
        ReportAndEnd(22, "");
      } catch (const SEDExit&) {
      }
      ok = false;
    } catch (const LException&) {
      try {
        ReportAndEnd(22, "");
      } catch (const SEDExit&) {
      }
      ok = false;
    }
  }
  if (FirstFailure()) ok = false;
  mRunOK = ok;
  DropAddedLineEnd(mFile[2]);
  // A file output is written with the write files, once they are closed.
  SKXSedText toFile;
  const bool fileOutput = output.kind == SKXSedStream::Kind::kFile;
  if (ok) {
    // The output leaves the table: into the caller's text, a file, or Output().
    try {
      if (output.kind == SKXSedStream::Kind::kText && output.text) {
        FinishText(mFile[2], *output.text);
      } else if (fileOutput) {
        FinishText(mFile[2], toFile);
      } else {
        FinishText(mFile[2], mOutput);
      }
    } catch (const std::bad_alloc&) {
      ok = mRunOK = false;
    }
  } else if (mFailedInput.empty()) {
    // What was written stays with the run's output (never in a file).
    try {
      FinishText(mFile[2], output.kind == SKXSedStream::Kind::kText && output.text ? *output.text : mOutput);
    } catch (const std::bad_alloc&) {
    }
  }
  // The text of an input that the output replaces, as it was read: a run
  // that gives it back unchanged leaves the file as it is (its line ends,
  // its encoding, its date).
  std::unique_ptr<SKXSedText> readAs;
  File& in = mFile[1];
  if (ok && fileOutput && inputs.size() == 1 && in.isFile && in.own &&
      SameFile(MakePath(in.path), MakePath(output.path))) {
    readAs = std::move(in.own);
    in.text = nullptr;
  }
  try {
    terminate();
  } catch (const SEDExit&) {
    ok = false;
  }
  ok = ok && mRunOK;
  // Only a run that finished writes files, and only once all of them are
  // made: a run that ends in error never leaves its output behind.
  if (ok) {
    try {
      ok = WriteRunFiles(fileOutput ? MakePath(output.path) : std::string(), toFile, output.path, readAs.get());
    } catch (const std::bad_alloc&) {
      ok = false;
    }
  }
  mRunWrites.clear();
  mRunOK = ok;
  return ok;
}

void CKXTextSED::HoldWriteFiles(bool on) {
  mHold = on;
  mHeld.clear();
  mSeriesOutputs.clear();
}

bool CKXTextSED::WriteRunFiles(const std::string& outPath, const SKXSedText& out, const std::string& outName,
                               const SKXSedText* readAs) {
  auto refuse = [this](const std::string& name, const char* why) {
    mFailMessage = why;
    printerror(9, name.c_str());
    return false;
  };
  // Everything that can refuse, before the first file is written.
  for (const WriteFile& w : mRunWrites) {
    if (!outPath.empty() && SameFile(w.path, outPath)) return refuse(w.name, "it is the run's output");
    for (const std::string& in : mInputPaths)
      if (!in.empty() && SameFile(w.path, in)) return refuse(w.name, "it is an input of the run");
    for (const std::string& p : mProtected)
      if (SameFile(w.path, p)) return refuse(w.name, "it is a target of the run");
    for (const std::string& o : mSeriesOutputs)
      if (SameFile(w.path, o)) return refuse(w.name, "it is an output of an earlier run");
  }
  if (!outPath.empty())
    for (const WriteFile& h : mHeld)
      if (SameFile(h.path, outPath)) return refuse(outName, "it is a write file of an earlier run");
  if (!mHold) {
    for (const WriteFile& w : mRunWrites) {
      std::string message;
      if (!WriteTextFile(w.path, w.text, w.format, false, message)) return refuse(w.name, message.c_str());
    }
  }
  if (!outPath.empty()) {
    std::string message;
    if ((!readAs || !KxSedSameText(*readAs, out)) && !WriteTextFile(outPath, out, mFirstFormat, mHaveFirst, message))
      return refuse(outName, message.c_str());
    if (mHold) mSeriesOutputs.push_back(outPath);
  }
  if (mHold) {
    // This run's version of a write file replaces an earlier run's.
    for (WriteFile& w : mRunWrites) {
      auto same =
          std::find_if(mHeld.begin(), mHeld.end(), [&](const WriteFile& h) { return SameFile(h.path, w.path); });
      if (same != mHeld.end())
        *same = std::move(w);
      else
        mHeld.push_back(std::move(w));
    }
  }
  return true;
}

bool CKXTextSED::WriteHeldFiles() {
  std::vector<WriteFile> held = std::move(mHeld);
  HoldWriteFiles(mHold);
  bool ok = true;
  for (const WriteFile& w : held) {
    std::string message;
    if (!WriteTextFile(w.path, w.text, w.format, false, message)) {
      mFailMessage = message;
      printerror(9, w.name.c_str());
      ok = false;
    }
  }
  return ok;
}

std::string CKXTextSED::MakePath(const std::string& name) const {
  if (name.empty() || name[0] == '/' || mFolder.empty()) return name;
  return mFolder + (mFolder.back() == '/' ? "" : "/") + name;
}

// ---------------------------------------------------------------- names in scripts

// A script line, with the side value of each of its units: a line never
// holds a line end here, so its units follow the script's bytes one by one
// from where the line starts.
int CKXTextSED::cmdline() {
  const CKXText* source = nullptr;
  long at = 0;
  if (mScriptText && mScriptBytes) {
    source = mScriptSource;
    at = long(mScriptText - mScriptBytes);
  } else if (mScriptFile >= 3 && mScriptFile <= kSedMaxFiles && mFile[mScriptFile].text) {
    source = mFile[mScriptFile].text->text.get();
    at = mFile[mScriptFile].pos - (mPushBack >= 0 ? 1 : 0);
  }
  if (!mScriptUniLoaded) {
    mScriptUni = source ? SideChars(*source) : std::vector<SKXUniChar>();
    mScriptUniLoaded = true;
  }
  const int got = CSED::cmdline();
  mLineUni.clear();
  if (got < 0 || mScriptUni.empty() || ContinuesLines()) return got;
  const long n = Len(kPat);
  SEDunit* line = Line(kPat);
  mLineUni.assign(size_t(n), 0);
  auto side = std::lower_bound(mScriptUni.begin(), mScriptUni.end(), at,
                               [](const SKXUniChar& u, long o) { return u.offset < o; });
  long o = at;
  for (long k = 0; k < n && side != mScriptUni.end(); ++k) {
    while (side != mScriptUni.end() && side->offset < o) ++side;
    if (side != mScriptUni.end() && side->offset == o) mLineUni[size_t(k)] = side->value;
    o += line[k] > 255 ? 2 : 1;
  }
  // A placeholder with a value is that character, in patterns, replacements
  // and "y" lists alike.
  for (long k = 0; k < n; ++k)
    if (mLineUni[size_t(k)] && IsPlaceholderUnit(line[k])) line[k] = UniUnitOf(mLineUni[size_t(k)], line[k]);
  return got;
}

SEDunit CKXTextSED::UniUnitOf(std::uint32_t value, SEDunit placeholder) {
  const auto found = mUniUnitOf.find(value);
  if (found != mUniUnitOf.end()) return found->second;
  const size_t i = mUniUnits.size();
  const long c = long(kUniUnitBase) + long(i / 255) * 256 + long(i % 255) + 1;
  if (c >= kUniUnitEnd) return placeholder;
  mUniUnits.push_back(UniUnit{value, placeholder});
  mUniUnitOf.emplace(value, SEDunit(c));
  return SEDunit(c);
}

const CKXTextSED::UniUnit* CKXTextSED::UniUnitAt(SEDunit c) const {
  if (c <= kUniUnitBase || c >= kUniUnitEnd || (c & 0xFF) == 0) return nullptr;
  const size_t i = size_t((c - kUniUnitBase) >> 8) * 255 + (c & 0xFF) - 1;
  return i < mUniUnits.size() ? &mUniUnits[i] : nullptr;
}

SEDunit CKXTextSED::TextUnit(SEDunit c, std::uint32_t& value) const {
  const UniUnit* u = UniUnitAt(c);
  value = u ? u->value : 0;
  return u ? u->placeholder : c;
}

void CKXTextSED::PlainUnits(SEDunit* from, const SEDunit* to) const {
  std::uint32_t value = 0;
  for (; from < to; ++from) *from = TextUnit(*from, value);
}

[[noreturn]] void CKXTextSED::ABORT(int code) {
  if (Line(kPat)) PlainUnits(Line(kPat), Line(kPat) + Len(kPat));
  CSED::ABORT(code);
}

// A text or file name keeps the side characters of its units, by their
// offsets in it as gettext copies it (a backslash dropped, the unit after
// it kept).
char* CKXTextSED::gettext(bool fileName) {
  SKIPWS();
  if (!fileName) JoinTextLines();
  SEDunit* line = Line(kPat);
  const SEDunit* from = mCp;
  // Texts and names are bytes: placeholders, their values kept beside.
  if (from >= line && mCpEnd <= line + mBuf.lineCap) PlainUnits(line + (from - line), mCpEnd);
  char* name = CSED::gettext(fileName);
  if (mLineUni.empty() || from < line || mCp > line + long(mLineUni.size())) return name;
  std::vector<SKXUniChar> sides;
  long o = 0;
  for (const SEDunit* p = from; p < mCp; ++p) {
    if (*p == '\\' && ++p >= mCp) break;
    const std::uint32_t value = mLineUni[size_t(p - line)];
    if (value) sides.push_back(SKXUniChar{std::int32_t(o), value});
    o += *p > 255 ? 2 : 1;
  }
  if (!sides.empty()) mNameUni[name] = std::move(sides);
  return name;
}

void CKXTextSED::JoinTextLines() {
  // An odd run of backslashes at the end: the last one is not escaped.
  auto continued = [](const SEDunit* from, const SEDunit* to) {
    long n = 0;
    while (to > from && to[-1] == '\\') {
      --to;
      ++n;
    }
    return n % 2 == 1;
  };
  // Only "a\" with nothing after it: a text on the command's own line is
  // the rest of that line. The text starts on the next line, as if the LF
  // after the backslash had been skipped with it.
  const SEDunit* line = Line(kPat);
  if (!line || mCp != mCpEnd || mCpEnd > line + Len(kPat) || !continued(line, mCpEnd)) return;
  std::vector<SEDunit> units;
  std::vector<std::uint32_t> uni;
  bool head = true;
  while (cmdline() >= 0) {
    if (!head) {
      units.push_back('\n');
      uni.push_back(0);
    }
    head = false;
    const SEDunit* l = Line(kPat);
    const long n = Len(kPat);
    units.insert(units.end(), l, l + n);
    for (long k = 0; k < n; ++k) uni.push_back(size_t(k) < mLineUni.size() ? mLineUni[size_t(k)] : 0);
    if (!continued(l, l + n)) break;
  }
  const long n = long(units.size());
  NeedLine(n + 1);
  SEDunit* joined = Line(kPat);
  std::copy(units.begin(), units.end(), joined);
  joined[n] = 0;
  Len(kPat) = n;
  mLineUni = std::move(uni);
  mCp = joined;
  mCpEnd = joined + n;
}

bool CKXTextSED::ScriptNameToSystem(const char* name, std::string& out) const {
  const std::string bytes = name ? name : "";
  const auto found = mNameUni.find(name);
  const std::vector<SKXUniChar> none;
  const std::vector<SKXUniChar>& sides = found == mNameUni.end() ? none : found->second;
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  const long n = long(bytes.size());
  if (sides.empty() && std::all_of(b, b + n, [](unsigned char c) { return c < 0x80; })) {
    out = bytes;
    return true;
  }
  // A placeholder without a Unicode value beside it stands for a character
  // the script lost on its way in (a field holds no side characters) or
  // for a bare glyph: its own code would name another file.
  size_t s = 0;
  for (long k = 0; k < n;) {
    const long w = SEDLeadByte(b[k]) && k + 1 < n && SEDTrailByte(b[k + 1]) ? 2 : 1;
    if (KxIsPlaceholderAt(b + k, w)) {
      while (s < sides.size() && sides[s].offset < k) ++s;
      if (s == sides.size() || sides[s].offset != k) return false;
      if (KxSideValueIsNoCharacter(sides[s].value)) return false;
    }
    k += w;
  }
  StKxHandle units, glyphs;
  long count = 0;
  if (!UKXUnicode::ConvertFromText(kScriptJapanese, bytes.data(), n, sides.data(), long(sides.size()), units.h, count,
                                   glyphs.h) ||
      !units.h || count <= 0)
    return false;
  const auto* u = reinterpret_cast<const char16_t*>(*units.h);
  const std::u16string wide(u, size_t(count));
  // U+FFFD: bytes that are no character (a lone lead byte, an empty code).
  if (wide.find(u'\uFFFD') != std::u16string::npos || wide.find(u'\0') != std::u16string::npos) return false;
  out = KxUTF16ToUTF8(wide);
  return out.find("\xEF\xBF\xBD") == std::string::npos;
}

bool CKXTextSED::ReadTextFile(const std::string& path, SKXSedText& text, SKXSedFormat& format, bool isStdin,
                              std::string& message) {
  (void)path;
  (void)text;
  (void)format;
  (void)isStdin;
  message = "no files";
  return false;
}

bool CKXTextSED::WriteTextFile(const std::string& path, const SKXSedText& text, const SKXSedFormat& format,
                               bool withInfo, std::string& message) {
  (void)path;
  (void)text;
  (void)format;
  (void)withInfo;
  message = "no files";
  return false;
}

// ---------------------------------------------------------------- streams

bool CKXTextSED::OpenStream(File& f, const SKXSedStream& s, bool isStdin) {
  f = File();
  f.open = true;
  if (s.kind == SKXSedStream::Kind::kText) {
    f.text = s.text;
  } else if (s.kind == SKXSedStream::Kind::kFile) {
    f.own = std::make_unique<SKXSedText>();
    std::string message;
    if (!ReadTextFile(MakePath(s.path), *f.own, f.format, isStdin, message)) {
      f = File();
      mFailMessage = message;
      return false;
    }
    f.text = f.own.get();
    f.isFile = true;
    f.path = s.path;
  }
  if (f.text) TextBytes(*f.text->text, f.bytes);
  return true;
}

long CKXTextSED::InputIndex(const char* name) const {
  for (size_t k = 0; k < mInputPtrs.size(); ++k)
    if (mInputPtrs[k] == name) return long(k);
  return -1;
}

long CKXTextSED::fopen(const char* name, const char* mode) {
  long h = 3;
  while (h <= kSedMaxFiles && mFile[h].open) ++h;
  if (h > kSedMaxFiles) return 0;
  File& f = mFile[h];
  const bool write = mode && mode[0] == 'w';
  const std::string key = name ? name : "";
  const long input = write ? -1 : InputIndex(name);
  if (input >= 0) {
    // A later input looked at ahead ("$"): kept for when its turn comes.
    if (mAhead.index != input) {
      mAhead = Ahead();
      mAhead.index = input;
      mAhead.ok = OpenStream(mAhead.file, mInputs[size_t(input)], false);
    }
    if (!mAhead.ok) return 0;
    f = File();
    f.open = true;
    f.bytes = mAhead.file.bytes;
    return h;
  }
  // A name from the script is spelt as the system spells names; the script
  // file's own path is the caller's already.
  std::string system = key;
  if (FilesByName() && name != mScriptPath && !ScriptNameToSystem(name, system)) return 0;
  if (write) {
    f = File();
    f.open = true;
    f.write = true;
    f.name = key;
    f.isFile = FilesByName();
    f.path = MakePath(system);
    return h;
  }
  if (!FilesByName()) {
    auto it = mReadable.find(key);
    if (it == mReadable.end() || !it->second) return 0;
    return OpenStream(f, SKXSedStream::Text(it->second), false) ? h : 0;
  }
  return OpenStream(f, SKXSedStream::File(system), false) ? h : 0;
}

long CKXTextSED::freopen(const char* name, const char* mode, long file) {
  (void)mode;
  if (file != 1) return 0;
  mPushBack = -1;
  const long input = InputIndex(name);
  if (input < 0) return 0;
  File& f = mFile[1];
  bool ok;
  if (mAhead.index == input) {
    ok = mAhead.ok;
    if (ok) f = std::move(mAhead.file);
    mAhead = Ahead();
  } else {
    ok = OpenStream(f, mInputs[size_t(input)], true);
  }
  if (!ok) {
    // An input that cannot be read whole fails the run, naming it.
    mFailedInput = mInputPaths[size_t(input)].empty() ? "input " + std::to_string(input + 1) : mInputPaths[size_t(input)];
    f = File();
    Fatal(1);
  }
  if (f.isFile && !mHaveFirst) {
    mFirstFormat = f.format;
    mHaveFirst = true;
  }
  SetStdin(f);
  return 1;
}

void CKXTextSED::fclose(long file) {
  if (file < 3 || file > kSedMaxFiles) return;
  File& f = mFile[file];
  if (f.open && f.write && mRunOK) {
    if (f.isFile) {
      // Written with the run's output when the run is over.
      WriteFile w;
      w.name = f.name;
      w.path = f.path;
      w.format = mFirstFormat;
      w.format.settings = SKXDocSettings();
      FinishText(f, w.text);
      mRunWrites.push_back(std::move(w));
    } else {
      FinishText(f, mWritten[f.name]);
    }
  }
  f = File();
}

bool CKXTextSED::feof_(long file) {
  if (file < 1 || file > kSedMaxFiles) return true;
  const File& f = mFile[file];
  return !f.open || f.write || f.pos >= long(f.bytes.size());
}

int CKXTextSED::fgetc(long file) {
  if (file < 1 || file > kSedMaxFiles) return -1;
  File& f = mFile[file];
  if (!f.open || f.write || f.pos >= long(f.bytes.size())) return -1;
  return static_cast<unsigned char>(f.bytes[size_t(f.pos++)]);
}

// ---------------------------------------------------------------- standard input

std::uint32_t CKXTextSED::AttrOf(const SStyl& s, const SDeco& d) {
  char key[sizeof(SStyl) + sizeof(SDeco)];
  std::memcpy(key, &s, sizeof s);
  std::memcpy(key + sizeof s, &d, sizeof d);
  const std::string k(key, sizeof key);
  auto it = mAttrIndex.find(k);
  if (it != mAttrIndex.end()) return it->second;
  std::uint32_t plain = std::uint32_t(mAttrs.size());
  if (d.pictID != 0) {
    SDeco without = d;
    without.pictID = 0;
    plain = AttrOf(s, without);
  }
  const std::uint32_t index = std::uint32_t(mAttrs.size());
  mAttrs.push_back(Attr{s, d, plain});
  mAttrIndex.emplace(k, index);
  return index;
}

void CKXTextSED::SetStdin(File& f) {
  static const SKXSedText empty;
  const CKXText& t = *(f.text ? f.text : &empty)->text;
  mInStyls.assign(size_t(t.GetStylCount()), SKXStyl{});
  mInStyls.resize(size_t(std::max(0L, t.GetStyls(mInStyls.data(), long(mInStyls.size())))));
  mInDecos.assign(size_t(t.GetDecoCount()), SKXDeco{});
  mInDecos.resize(size_t(std::max(0L, t.GetDecos(mInDecos.data(), long(mInDecos.size())))));
  mInParas.assign(size_t(t.GetParaCount()), SKXPara{});
  mInParas.resize(size_t(std::max(0L, t.GetParas(mInParas.data(), long(mInParas.size())))));
  mInUni.assign(size_t(t.GetUniCharsCount()), SKXUniChar{});
  mInUni.resize(size_t(std::max(0L, t.GetUniChars(mInUni.data(), long(mInUni.size())))));
  std::vector<SKXRuby> rubys(size_t(t.GetRubysCount()));
  rubys.resize(size_t(std::max(0L, t.GetRubys(rubys.data(), long(rubys.size())))));
  // Ruby numbers count over the whole run, so that a ruby held from one
  // input never names another input's ruby.
  mRubyBase = std::uint32_t(mRubyTable.size());
  mRubyTable.insert(mRubyTable.end(), rubys.begin(), rubys.end());
  mInRubys = long(rubys.size());
  mCurStyl = mCurDeco = mCurUni = 0;
  mCurRuby = 0;
  mLastRuby = 0;
  mLastRubyAt = 0;
  mAttrStylRun = mAttrDecoRun = -1;

  SStyl s0{};
  SDeco d0{};
  if (!mInStyls.empty()) s0 = mInStyls[0].styl;
  // The default decoration never carries the picture that a text may
  // begin with.
  if (!mInDecos.empty()) d0 = mInDecos[0].deco;
  d0.pictID = 0;
  mDefaultAttr = AttrOf(s0, d0);
  const bool rich = mInStyls.size() > 1 || mInDecos.size() > 1 || !rubys.empty() || !mInUni.empty() ||
                    (!mInDecos.empty() && mInDecos[0].deco.pictID != 0);
  if (rich && !mRich) {
    mRich = true;
    mCarry = true;
    GrowSides(mBuf.lineCap);
  }
  mParas = !mInParas.empty();
  if (mParas) mFirstPara = mInParas[0].para;
  mCurPara = mFirstPara;
  mCurParaRun = 0;
  mInMarks = f.text ? f.text->marks : std::vector<SKXSedMark>();
  std::stable_sort(mInMarks.begin(), mInMarks.end(),
                   [](const SKXSedMark& a, const SKXSedMark& b) { return a.start < b.start; });
  mInRanks = f.text && f.text->ranks;
  if (!mHaveMarkInfo && f.text) {
    mOutRanks = mInRanks;
    mHaveMarkInfo = true;
  }
  mMarkNext = 0;
  mParaMarks.clear();
  mParaCRAttr = mDefaultAttr;
}

void CKXTextSED::GrowSides(long cap) {
  if (!mRich) return;
  try {
    // Exactly what the line buffers hold now: the room an earlier run of
    // the same editor left is reused, never grown on from.
    for (auto& s : mSide) {
      s.reserve(size_t(cap + 1));
      s.resize(size_t(cap + 1), KXTSEDstyle{mDefaultAttr, 0, 0, 0});
    }
  } catch (const std::bad_alloc&) {
    ReportAndEnd(22, "");
  }
}

bool CKXTextSED::EnlargeLineBuf(long more) {
  const long was = mBuf.lineCap;
  if (!CSEDHost::EnlargeLineBuf(more)) return false;
  if (mRich) {
    try {
      for (auto& s : mSide) {
        // The line buffers grow geometrically already: no second slack.
        s.reserve(size_t(mBuf.lineCap + 1));
        s.resize(size_t(mBuf.lineCap + 1), KXTSEDstyle{mDefaultAttr, 0, 0, 0});
      }
    } catch (const std::bad_alloc&) {
      // The line buffers keep their new room, but the limit stays where
      // every side array still reaches.
      mBuf.lineCap = was;
      return false;
    }
  }
  return true;
}

// The record of the input byte at `p`; positions only go forward within
// one input.
KXTSEDstyle CKXTextSED::RecordAt(long p) {
  while (mCurStyl + 1 < mInStyls.size() && mInStyls[mCurStyl + 1].offset <= p) ++mCurStyl;
  while (mCurDeco + 1 < mInDecos.size() && mInDecos[mCurDeco + 1].offset <= p) ++mCurDeco;
  if (long(mCurStyl) != mAttrStylRun || long(mCurDeco) != mAttrDecoRun) {
    const SStyl s = mInStyls.empty() ? SStyl{} : mInStyls[mCurStyl].styl;
    const SDeco d = mInDecos.empty() ? SDeco{} : mInDecos[mCurDeco].deco;
    mCurAttr = AttrOf(s, d);
    mAttrStylRun = long(mCurStyl);
    mAttrDecoRun = long(mCurDeco);
  }
  KXTSEDstyle r{mCurAttr, 0, 0, 0};
  while (mCurRuby < mInRubys) {
    const SKXRuby& ruby = mRubyTable[size_t(mRubyBase) + size_t(mCurRuby)];
    if (ruby.pos + ruby.baseLen > p) break;
    ++mCurRuby;
  }
  if (mCurRuby < mInRubys) {
    const SKXRuby& ruby = mRubyTable[size_t(mRubyBase) + size_t(mCurRuby)];
    if (ruby.pos <= p) {
      const std::uint32_t number = mRubyBase + std::uint32_t(mCurRuby) + 1;
      r.ruby = number;
      r.rubyAt = ruby.pos == p || mLastRuby != number ? 0 : mLastRubyAt + 1;
      mLastRuby = number;
      mLastRubyAt = r.rubyAt;
    }
  }
  while (mCurUni < mInUni.size() && mInUni[mCurUni].offset < p) ++mCurUni;
  if (mCurUni < mInUni.size() && mInUni[mCurUni].offset == p) r.uni = mInUni[mCurUni].value;
  return r;
}

// Reads one paragraph of standard input into line buffer `dst` at `at`.
long CKXTextSED::fgetwsr(int dst, long at, long file, bool dropLF) {
  if (file < 1 || file > kSedMaxFiles) return -1;
  File& f = mFile[file];
  const long size = long(f.bytes.size());
  if (!f.open || f.write || f.pos >= size) return -1;
  const auto* b = reinterpret_cast<const unsigned char*>(f.bytes.data());
  long p = f.pos;
  const long start = p;
  const void* cr = std::memchr(b + p, '\r', size_t(size - p));
  const long end = cr ? long(static_cast<const unsigned char*>(cr) - b) : size;
  const long next = cr ? end + 1 : size;
  NeedLine(at + (end - p) + 1);
  SEDunit* out = Line(dst);
  long n = at;
  const bool sides = mRich && file == 1;
  if (!sides) {
    while (p < end) {
      const unsigned c = b[p];
      if (SEDLeadByte(int(c)) && p + 1 < end && SEDTrailByte(b[p + 1])) {
        out[n++] = SEDunit((c << 8) | b[p + 1]);
        p += 2;
      } else {
        out[n++] = SEDunit(c);
        ++p;
      }
    }
  } else {
    KXTSEDstyle* side = &Side(dst, 0);
    while (p < end) {
      const unsigned c = b[p];
      side[n] = RecordAt(p);
      SEDunit u;
      if (SEDLeadByte(int(c)) && p + 1 < end && SEDTrailByte(b[p + 1])) {
        u = SEDunit((c << 8) | b[p + 1]);
        p += 2;
      } else {
        u = SEDunit(c);
        ++p;
      }
      if (side[n].uni && IsPlaceholderUnit(u)) u = UniUnitOf(side[n].uni, u);
      out[n++] = u;
    }
  }
  std::uint32_t crAttr = mDefaultAttr;
  if (cr && sides) crAttr = RecordAt(end).attr;
  if (cr && !dropLF) {
    if (sides) Side(dst, n) = KXTSEDstyle{crAttr, 0, 0, 0};
    out[n++] = '\n';
  }
  out[n] = 0;
  f.pos = next;
  if (file == 1 && dst == kPat) {
    FollowBuffers();
    mNoLineEnd[mIdx[kPat]] = cr == nullptr;
  }
  if (file == 1 && dst == kPat && at == 0) {
    mParaCRAttr = crAttr;
    if (mParas) {
      while (mCurParaRun + 1 < mInParas.size() && mInParas[mCurParaRun + 1].offset <= start) ++mCurParaRun;
      mCurPara = mInParas[mCurParaRun].offset <= start ? mInParas[mCurParaRun].para : mFirstPara;
    }
    // Marks that begin before this paragraph are past; every mark wholly
    // inside it is carried if the paragraph is written unchanged.
    mParaMarks.clear();
    mParaStart = start;
    mParaEnd = next;
    while (mMarkNext < mInMarks.size() && mInMarks[mMarkNext].start < start) ++mMarkNext;
    while (mMarkNext < mInMarks.size() && mInMarks[mMarkNext].start < next) {
      const SKXSedMark& m = mInMarks[mMarkNext];
      if (m.length >= 0 && long(m.start) + m.length <= next) mParaMarks.push_back(mMarkNext);
      ++mMarkNext;
    }
  }
  return n;
}

// ---------------------------------------------------------------- the line buffers

int CKXTextSED::BufFindType(const SEDunit* p, long& index) const {
  for (int w = 0; w < 3; ++w) {
    const SEDunit* line = mBuf.lines[mIdx[w]];
    if (line && p >= line && p <= line + mBuf.lineCap) {
      index = long(p - line);
      return w;
    }
  }
  index = -1;
  return -1;
}

KXTSEDstyle CKXTextSED::AdjustStyle(const KXTSEDstyle& s) const {
  const std::uint32_t attr = s.attr < mAttrs.size() ? mAttrs[s.attr].plain : mDefaultAttr;
  return KXTSEDstyle{attr, 0, 0, 0};
}

// The record an inserted unit takes: its left neighbour's style and
// decoration; at the start of the generation buffer the first unit's of
// the pattern space (the text it replaces), elsewhere at a start the
// default.
KXTSEDstyle CKXTextSED::Inherited(int dst, long at) {
  if (at > 0) return AdjustStyle(Side(dst, at - 1));
  if (dst == kGen && Len(kPat) > 0) return AdjustStyle(Side(kPat, 0));
  return KXTSEDstyle{mDefaultAttr, 0, 0, 0};
}

long CKXTextSED::bufcpy(int dst, long at, const SEDunit* src, long n) {
  if (!mRich) return CSED::bufcpy(dst, at, src, n);
  long from = -1;
  const int which = BufFindType(src, from);
  const long end = CSED::bufcpy(dst, at, src, n);
  if (n > 0) {
    KXTSEDstyle* d = &Side(dst, at);
    if (which >= 0) {
      std::memmove(static_cast<void*>(d), &Side(which, from), size_t(n) * sizeof(KXTSEDstyle));
    } else {
      const KXTSEDstyle r = Inherited(dst, at);
      std::fill(d, d + n, r);
    }
  }
  return end;
}

void CKXTextSED::bufputc(int dst, long at, SEDunit c) {
  CSED::bufputc(dst, at, c);
  if (mRich) Side(dst, at) = Inherited(dst, at);
}

// ---------------------------------------------------------------- output

// Only "x" moves the hold space to another buffer; the pattern space
// moving alone is a substitution, whose text came from the one before.
void CKXTextSED::FollowBuffers() {
  if (mSeenPat >= 0 && mIdx[kHold] == mSeenHold && mIdx[kPat] != mSeenPat)
    mNoLineEnd[mIdx[kPat]] = mNoLineEnd[mSeenPat];
  mSeenPat = mIdx[kPat];
  mSeenHold = mIdx[kHold];
}

void CKXTextSED::LineTaken(int dst, int src) {
  FollowBuffers();
  mNoLineEnd[mIdx[dst]] = mNoLineEnd[mIdx[src]];
}

void CKXTextSED::DropAddedLineEnd(File& f) {
  if (!f.endsAdded || f.out.empty()) return;
  f.out.pop_back();
  while (!f.runStart.empty() && f.runStart.back() >= std::int32_t(f.out.size()) && f.runStart.size() > 1) {
    f.runStart.pop_back();
    f.runAttr.pop_back();
  }
  while (!f.paras.empty() && f.paras.back().offset >= std::int32_t(f.out.size()) && !f.out.empty()) f.paras.pop_back();
  f.endsAdded = false;
}

void CKXTextSED::PutBytes(File& f, const char* b, long n, std::uint32_t attr) {
  if (n <= 0) return;
  f.endsAdded = false;
  if (attr == kInherit) attr = f.runAttr.empty() ? mDefaultAttr : mAttrs[f.runAttr.back()].plain;
  if (f.runAttr.empty() || f.runAttr.back() != attr) {
    f.runAttr.push_back(attr);
    f.runStart.push_back(std::int32_t(f.out.size()));
  }
  const size_t at = f.out.size();
  f.out.append(b, size_t(n));
  for (size_t k = at; k < f.out.size(); ++k)
    if (f.out[k] == '\n') f.out[k] = '\r';
}

void CKXTextSED::fputwsr(const SEDunit* from, const SEDunit* to, long file, bool newline) {
  if (file < 1 || file > kSedMaxFiles) return;
  File& f = mFile[file];
  if (!f.open || !f.write) return;
  if (from < to) f.endsAdded = false;
  long idx = -1;
  const int which = BufFindType(from, idx);
  const long outStart = long(f.out.size());
  const long count = long(to - from);
  if (!mRich || which < 0) {
    std::string bytes;
    bytes.reserve(size_t(count) * 2 + 1);
    for (const SEDunit* p = from; p < to; ++p) {
      std::uint32_t value = 0;
      const SEDunit c = TextUnit(*p, value);
      if (value) f.uni.push_back(SKXUniChar{std::int32_t(f.out.size() + bytes.size()), value});
      if (c > 255) bytes += char(c >> 8);
      bytes += c == '\n' ? '\r' : char(c & 0xFF);
    }
    PutBytes(f, bytes.data(), long(bytes.size()), mDefaultAttr);
  } else {
    const KXTSEDstyle* side = &Side(which, idx);
    std::vector<long> offsets(size_t(count) + 1);
    std::vector<std::uint32_t> values(size_t(count), 0);
    for (long k = 0; k < count; ++k) {
      offsets[size_t(k)] = long(f.out.size());
      const SEDunit c = TextUnit(from[k], values[size_t(k)]);
      const std::uint32_t attr = side[k].attr < mAttrs.size() ? side[k].attr : mDefaultAttr;
      if (f.runAttr.empty() || f.runAttr.back() != attr) {
        f.runAttr.push_back(attr);
        f.runStart.push_back(std::int32_t(f.out.size()));
      }
      if (c > 255) f.out += char(c >> 8);
      f.out += c == '\n' ? '\r' : char(c & 0xFF);
    }
    offsets[size_t(count)] = long(f.out.size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(f.out.data());
    for (long k = 0; k < count; ++k) {
      const long o = offsets[size_t(k)];
      // A side entry for a character outside Shift_JIS, or where the unit
      // is still the code its character shares with another (U+2212 on the
      // code of U+FF0D). A placeholder that a script put where such a
      // character stood is the placeholder character itself; one whose
      // value has no unit of its own keeps its record.
      const long avail = offsets[size_t(k) + 1] - o;
      if (values[size_t(k)])
        f.uni.push_back(SKXUniChar{std::int32_t(o), values[size_t(k)]});
      else if (side[k].uni && (KxUnicodeIsSharedCodeAt(bytes + o, avail, side[k].uni) ||
                               (KxIsPlaceholderAt(bytes + o, avail) && !mUniUnitOf.count(side[k].uni))))
        f.uni.push_back(SKXUniChar{std::int32_t(o), side[k].uni});
      // A ruby only over what was copied of its base, from its first
      // character on.
      if (side[k].ruby && side[k].rubyAt == 0 && side[k].ruby <= mRubyTable.size()) {
        long j = k + 1;
        while (j < count && side[j].ruby == side[k].ruby && side[j].rubyAt == side[j - 1].rubyAt + 1) ++j;
        SKXRuby r = mRubyTable[side[k].ruby - 1];
        const long base = offsets[size_t(j)] - o;
        if (base > 0 && base <= r.baseLen) {
          r.pos = std::int32_t(o);
          r.baseLen = static_cast<unsigned char>(base);
          f.rubys.push_back(r);
        }
      }
    }
  }
  const bool fromPattern = which == kPat && idx == 0 && file == 2;
  if (newline) {
    const char cr = '\r';
    PutBytes(f, &cr, 1, fromPattern && mRich ? mParaCRAttr : kInherit);
    // The line end after the whole pattern space stands for the one its
    // last line of input had; "P" before a line end in it writes a real one.
    FollowBuffers();
    f.endsAdded = which == kPat && idx + count == Len(kPat) && mNoLineEnd[mIdx[kPat]];
  }
  // The paragraph's own style; an input without paragraph styles after one
  // with them gives its paragraphs the default style again.
  if (fromPattern && (mParas || !f.paras.empty())) {
    SParaStyl para = mCurPara;
    if (!mParas) {
      CKXText plain;
      plain.GetParaStylDefault(para);
    }
    long ps = outStart;
    while (ps > 0 && f.out[size_t(ps) - 1] != '\r') --ps;
    if (!f.paras.empty() && f.paras.back().offset == ps) f.paras.pop_back();
    if (f.paras.empty() || std::memcmp(&f.paras.back().para, &para, sizeof para) != 0)
      f.paras.push_back(SKXPara{std::int32_t(ps), para});
  }
  if (fromPattern && !mParaMarks.empty()) CarryMarks(f, outStart);
}

// Ranks of carried marks: the outline may not jump a level, and a mark that
// turns out to have no children loses its group bit.
int KxSedCarryRank(int& last, int rank, std::vector<SKXSedMark>& written) {
  int r = std::abs(rank);
  const int p = last;
  if (p + 1 < r) {
    if (p & 1)
      r = (r & 1) ? p + 2 : p + 1;
    else
      r = (r & 1) ? p + 1 : p;
  } else if (r <= p && !written.empty() && (p & 1)) {
    written.back().rank = std::int16_t(p - 1);
  }
  last = r;
  return rank < 0 && (r & 1) ? -r : r;
}

void CKXTextSED::CarryMarks(File& f, long outStart) {
  const std::string& in = mFile[1].bytes;
  const long plen = mParaEnd - mParaStart;
  const long wlen = long(f.out.size()) - outStart;
  bool same = mParaStart >= 0 && mParaEnd <= long(in.size()) && wlen >= plen &&
              std::memcmp(f.out.data() + outStart, in.data() + mParaStart, size_t(plen)) == 0;
  if (same) {
    for (size_t k : mParaMarks) {
      SKXSedMark m = mInMarks[k];
      m.start = std::int32_t(outStart + (m.start - mParaStart));
      m.rank = std::int16_t(KxSedCarryRank(f.lastRank, m.rank, f.marks));
      f.marks.push_back(m);
    }
  }
  mParaMarks.clear();
}

void CKXTextSED::fputwc(SEDunit c, long file) {
  if (file < 1 || file > kSedMaxFiles || !mFile[file].open || !mFile[file].write) return;
  std::uint32_t value = 0;
  c = TextUnit(c, value);
  if (value) mFile[file].uni.push_back(SKXUniChar{std::int32_t(mFile[file].out.size()), value});
  char b[2];
  long n = 0;
  if (c > 255) b[n++] = char(c >> 8);
  b[n++] = char(c & 0xFF);
  PutBytes(mFile[file], b, n, kInherit);
}

void CKXTextSED::fputc(int c, long file) {
  if (file < 1 || file > kSedMaxFiles || !mFile[file].open || !mFile[file].write) return;
  const char b = char(c);
  PutBytes(mFile[file], &b, 1, kInherit);
}

void CKXTextSED::fputs(const char* text, long file) {
  if (file < 1 || file > kSedMaxFiles || !mFile[file].open || !mFile[file].write) return;
  // A text of the script brings the side characters it was written with.
  if (const auto found = mNameUni.find(text); found != mNameUni.end())
    for (const SKXUniChar& u : found->second)
      mFile[file].uni.push_back(SKXUniChar{std::int32_t(mFile[file].out.size() + size_t(u.offset)), u.value});
  PutBytes(mFile[file], text, long(std::strlen(text)), kInherit);
  const char cr = '\r';
  PutBytes(mFile[file], &cr, 1, kInherit);
}

// "r": the named text, with its styles unless it has at most one style run
// and one decoration run.
void CKXTextSED::fputfile(const char* name, long file) {
  if (file < 1 || file > kSedMaxFiles || !mFile[file].open || !mFile[file].write) return;
  const long in = fopen(name, "r");
  if (!in) return;
  File& src = mFile[in];
  File& f = mFile[file];
  const CKXText* t = src.text ? src.text->text.get() : nullptr;
  const long base = long(f.out.size());
  if (!t || (t->GetStylCount() <= 1 && t->GetDecoCount() <= 1)) {
    PutBytes(f, src.bytes.data(), long(src.bytes.size()), kInherit);
  } else {
    std::vector<SKXStyl> styls(size_t(t->GetStylCount()));
    styls.resize(size_t(std::max(0L, t->GetStyls(styls.data(), long(styls.size())))));
    std::vector<SKXDeco> decos(size_t(t->GetDecoCount()));
    decos.resize(size_t(std::max(0L, t->GetDecos(decos.data(), long(decos.size())))));
    const long n = long(src.bytes.size());
    size_t s = 0, d = 0;
    long p = 0;
    while (p < n) {
      while (s + 1 < styls.size() && styls[s + 1].offset <= p) ++s;
      while (d + 1 < decos.size() && decos[d + 1].offset <= p) ++d;
      long q = n;
      if (s + 1 < styls.size()) q = std::min<long>(q, styls[s + 1].offset);
      if (d + 1 < decos.size()) q = std::min<long>(q, decos[d + 1].offset);
      if (q <= p) q = p + 1;
      const SStyl st = styls.empty() ? SStyl{} : styls[s].styl;
      const SDeco de = decos.empty() ? SDeco{} : decos[d].deco;
      PutBytes(f, src.bytes.data() + p, q - p, AttrOf(st, de));
      p = q;
    }
    std::vector<SKXUniChar> uni(size_t(t->GetUniCharsCount()));
    uni.resize(size_t(std::max(0L, t->GetUniChars(uni.data(), long(uni.size())))));
    for (SKXUniChar u : uni) f.uni.push_back(SKXUniChar{std::int32_t(u.offset + base), u.value});
    std::vector<SKXRuby> rubys(size_t(t->GetRubysCount()));
    rubys.resize(size_t(std::max(0L, t->GetRubys(rubys.data(), long(rubys.size())))));
    for (SKXRuby r : rubys) {
      r.pos += std::int32_t(base);
      f.rubys.push_back(r);
    }
  }
  fclose(in);
}

// Builds the output text: a style run where the style changes, a
// decoration run where the decoration does; every copied picture gets a
// picture of its own.
void CKXTextSED::FinishText(File& f, SKXSedText& dest) {
  std::vector<SKXStyl> styls;
  std::vector<SKXDeco> decos;
  const long n = long(f.out.size());
  const auto* bytes = reinterpret_cast<const unsigned char*>(f.out.data());
  for (size_t k = 0; k < f.runAttr.size(); ++k) {
    const std::int32_t start = f.runStart[k];
    const std::int32_t end = k + 1 < f.runAttr.size() ? f.runStart[k + 1] : std::int32_t(n);
    if (start >= end) continue;
    const Attr& a = mAttrs[f.runAttr[k]];
    if (styls.empty() || std::memcmp(&styls.back().styl, &a.styl, sizeof a.styl) != 0)
      styls.push_back(SKXStyl{start, a.styl});
    if (a.deco.pictID == 0) {
      if (decos.empty() || std::memcmp(&decos.back().deco, &a.deco, sizeof a.deco) != 0 ||
          decos.back().deco.pictID != 0)
        decos.push_back(SKXDeco{start, a.deco, 0});
      continue;
    }
    for (std::int32_t p = start; p < end; ++p) {
      SDeco d = a.deco;
      d.pictID = bytes[p] == 0xCA ? CKXDecoArray::DuplicatePicture(a.deco.pictID) : 0;
      if (d.pictID == 0 && !decos.empty() && decos.back().deco.pictID == 0) {
        SDeco plain = mAttrs[a.plain].deco;
        if (std::memcmp(&decos.back().deco, &plain, sizeof plain) == 0) continue;
        d = plain;
      }
      decos.push_back(SKXDeco{p, d, 0});
    }
  }
  std::vector<SKXPara> paras = f.paras;
  if (!paras.empty() && paras[0].offset != 0) {
    CKXText plain;
    SParaStyl def{};
    plain.GetParaStylDefault(def);
    paras.insert(paras.begin(), SKXPara{0, def});
  }
  auto text = std::make_unique<CKXText>();
  text->SetText(f.out.data(), n, styls.data(), long(styls.size()), decos.data(), long(decos.size()),
                paras.data(), long(paras.size()), f.uni.data(), long(f.uni.size()));
  if (!f.rubys.empty()) text->SetRubys(f.rubys.data(), long(f.rubys.size()));
  dest.text = std::move(text);
  dest.marks = f.marks;
  dest.ranks = mOutRanks && !f.marks.empty();
}
