#include "tools/sed_textfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "document/doc_file.h"
#include "engine/flavor_exchange.h"
#include "engine/text_layer.h"
#include "engine/text_unicode_range.h"
#include "layout/kxtext_api.h"
#include "layout/kxtext_handle.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "text/codes/jcode.h"
#include "text/runs/runs.h"

namespace {

constexpr OSType kTypeText = FourCC("TEXT");
constexpr OSType kTypeRTF = FourCC("RTF ");

void MarksFromSettings(const SKXDocSettings& s, SKXSedText& text) {
  text.marks.clear();
  const bool ranks = s.hasRank && s.rank.levels.size() == s.marks.size();
  for (size_t k = 0; k < s.marks.size(); ++k) {
    const SKXMarkRec& m = s.marks[k];
    SKXSedMark out;
    out.start = m.start;
    out.length = m.end >= m.start ? m.end - m.start : 0;
    out.rank = ranks ? s.rank.levels[k] : 0;
    out.name = m.name;
    text.marks.push_back(out);
  }
  text.ranks = ranks && !s.marks.empty();
}

void MarksToSettings(const SKXSedText& text, SKXDocSettings& s) {
  s.marks.clear();
  for (const SKXSedMark& m : text.marks) s.marks.push_back(SKXMarkRec{m.start, m.start + m.length, m.name});
  if (text.ranks && !text.marks.empty()) {
    s.hasRank = true;
    s.rank.levels.clear();
    for (const SKXSedMark& m : text.marks) s.rank.levels.push_back(std::int8_t(m.rank));
  } else {
    s.hasRank = false;
    s.rank.levels.clear();
  }
}

// The runs as the characters see them: empty runs and runs that repeat
// the one before them are no change of style.
template <class Run, class Same>
std::vector<Run> Effective(std::vector<Run> runs, long length, Same same) {
  std::vector<Run> out;
  for (size_t k = 0; k < runs.size(); ++k) {
    const long end = k + 1 < runs.size() ? runs[k + 1].offset : length;
    if (runs[k].offset >= end && k + 1 < runs.size()) continue;
    if (!out.empty() && same(out.back(), runs[k])) continue;
    out.push_back(runs[k]);
  }
  return out;
}

template <class Run, class Same>
bool SameRuns(const std::vector<Run>& a, const std::vector<Run>& b, long length, Same same) {
  const std::vector<Run> x = Effective(a, length, same), y = Effective(b, length, same);
  if (x.size() != y.size()) return false;
  for (size_t k = 0; k < x.size(); ++k)
    if ((k > 0 && x[k].offset != y[k].offset) || !same(x[k], y[k])) return false;
  return true;
}

// Heights and ascents are measures the layout fills in, not the style.
bool SameStyl(const SKXStyl& a, const SKXStyl& b) {
  return a.styl.font == b.styl.font && a.styl.face == b.styl.face && a.styl.size == b.styl.size &&
         a.styl.color.red == b.styl.color.red && a.styl.color.green == b.styl.color.green &&
         a.styl.color.blue == b.styl.color.blue;
}

bool SameDeco(const SKXDeco& a, const SKXDeco& b) {
  return a.deco.lineBits == b.deco.lineBits && a.deco.net == b.deco.net && a.deco.flags == b.deco.flags &&
         a.deco.pictID == b.deco.pictID;
}

bool SamePara(const SKXPara& a, const SKXPara& b) { return CKXParaArray::IsSamePara(a.para, b.para); }

template <class T>
std::vector<T> Items(long count, long (CKXText::*get)(T*, long) const, const CKXText& t) {
  std::vector<T> v(size_t(std::max(0L, count)));
  v.resize(size_t(std::max(0L, (t.*get)(v.data(), long(v.size())))));
  return v;
}

}  // namespace

bool KxSedSameText(const SKXSedText& a, const SKXSedText& b) {
  const CKXText& x = *a.text;
  const CKXText& y = *b.text;
  const long n = x.GetLength();
  if (n != y.GetLength()) return false;
  std::string bx(size_t(n), '\0'), by(size_t(n), '\0');
  if (n > 0) {
    x.CopyBytes(0, n, bx.data(), n);
    y.CopyBytes(0, n, by.data(), n);
  }
  // A LF that a text of mixed line ends kept comes out of the editor as
  // the CR of its lines: the same line end.
  auto lineEnd = [](char c) { return c == '\r' || c == '\n'; };
  for (long k = 0; k < n; ++k)
    if (bx[size_t(k)] != by[size_t(k)] && !(lineEnd(bx[size_t(k)]) && lineEnd(by[size_t(k)]))) return false;
  if (!SameRuns(Items(x.GetStylCount(), &CKXText::GetStyls, x), Items(y.GetStylCount(), &CKXText::GetStyls, y), n,
                SameStyl) ||
      !SameRuns(Items(x.GetDecoCount(), &CKXText::GetDecos, x), Items(y.GetDecoCount(), &CKXText::GetDecos, y), n,
                SameDeco))
    return false;
  // A text without paragraph styles has the default one throughout.
  std::vector<SKXPara> px = Items(x.GetParaCount(), &CKXText::GetParas, x);
  std::vector<SKXPara> py = Items(y.GetParaCount(), &CKXText::GetParas, y);
  SParaStyl def{};
  x.GetParaStylDefault(def);
  if (px.empty()) px.push_back(SKXPara{0, def});
  if (py.empty()) py.push_back(SKXPara{0, def});
  if (!SameRuns(px, py, n, SamePara)) return false;
  const std::vector<SKXUniChar> ux = Items(x.GetUniCharsCount(), &CKXText::GetUniChars, x);
  const std::vector<SKXUniChar> uy = Items(y.GetUniCharsCount(), &CKXText::GetUniChars, y);
  if (ux.size() != uy.size()) return false;
  for (size_t k = 0; k < ux.size(); ++k)
    if (ux[k].offset != uy[k].offset || ux[k].value != uy[k].value) return false;
  const std::vector<SKXRuby> rx = Items(x.GetRubysCount(), &CKXText::GetRubys, x);
  const std::vector<SKXRuby> ry = Items(y.GetRubysCount(), &CKXText::GetRubys, y);
  if (rx.size() != ry.size()) return false;
  for (size_t k = 0; k < rx.size(); ++k)
    if (std::memcmp(&rx[k], &ry[k], sizeof rx[k]) != 0) return false;
  if (a.marks.size() != b.marks.size() || (!a.marks.empty() && a.ranks != b.ranks)) return false;
  for (size_t k = 0; k < a.marks.size(); ++k) {
    const SKXSedMark& m = a.marks[k];
    const SKXSedMark& o = b.marks[k];
    if (m.start != o.start || m.length != o.length || m.name != o.name || (a.ranks && m.rank != o.rank)) return false;
  }
  return true;
}

int KxSedReadFile(const std::string& path, short encoding, SKXSedText& text, SKXSedFormat& format,
                  std::string& message) {
  try {
    SKXDocument doc;
    if (int err = KxReadDocument(path, doc, message)) return err;
    format = SKXSedFormat();
    format.type = doc.type;
    format.creator = doc.creator;
    format.layout = doc.layout;
    if (doc.fileType == kTypeRTF) {
      // Read through the converter with its page; a file it cannot read to
      // its end fails.
      if (doc.cut) {
        message = "the RTF could not be read to its end";
        return EIO;
      }
      format.rtf = true;
      format.hasPage = doc.hasPage;
      format.page = doc.page;
      text.text = std::move(doc.text);
      text.marks.clear();
      text.ranks = false;
      return 0;
    }
    // A sidecar left behind by another program's edit is no document's:
    // the text is read as plain text.
    if (!doc.plain && !doc.stale) {
      format.document = true;
      format.settings = doc.settings;
      // Written back as it is spelt.
      format.encoding = short(doc.spelling.encoding);
      format.lineEnd = doc.spelling.lineEnd;
      text.text = std::move(doc.text);
      MarksFromSettings(format.settings, text);
      return 0;
    }
    // Plain text: the encoding found from its bytes (or the one asked
    // for), its byte-order mark and line ends remembered for writing back.
    std::vector<std::uint8_t> raw;
    if (int err = KxReadFile(path, raw)) {
      message = "cannot read the file";
      return err;
    }
    short code = encoding;
    if (code < kKxCodeSJIS || code > kKxCodeUTF8) code = CKXJCode::AutoCheck(raw.data(), long(raw.size()));
    if (code < kKxCodeSJIS || code > kKxCodeUTF8) code = kKxCodeSJIS;
    format.encoding = code;
    CKXTextFileTube tube;
    if (int err = tube.OpenRead(path, message)) return err;
    auto fresh = std::make_unique<CKXText>();
    CKXFlavorExchange exchange(nullptr);
    exchange.SetTextEncoding(code);
    short mask = 0;
    {
      // The exchange detects Shift_JIS again unless the code asked for is
      // the chosen one, as the open dialog's choice is.
      const short chosen = CKXJCode::sCodeType;
      if (encoding >= kKxCodeSJIS && encoding <= kKxCodeUTF8) CKXJCode::sCodeType = encoding;
      try {
        exchange.ReceiveDataFrom(SKXRange{0, 0}, tube, KXHandleAccess::Wrap(fresh.get()), &mask);
      } catch (...) {
        CKXJCode::sCodeType = chosen;
        throw;
      }
      CKXJCode::sCodeType = chosen;
    }
    format.lineEnd = exchange.GetLineEndType();
    // Byte order and mark as the file spelt them, for writing back.
    format.hasUnicodeForm = exchange.HasUnicodeForm();
    format.unicodeForm = exchange.GetUnicodeForm();
    text.text = std::move(fresh);
    text.marks.clear();
    text.ranks = false;
    return 0;
  } catch (const LException& e) {
    message = "the file could not be read";
    return e.GetErrorCode() > 0 ? int(e.GetErrorCode()) : EIO;
  } catch (const std::bad_alloc&) {
    message = "not enough memory";
    return ENOMEM;
  }
}

int KxSedWriteFile(const std::string& path, const SKXSedText& text, const SKXSedFormat& format, bool withInfo,
                   std::string& message, CKXSafeBatch* batch, long* unwritable) {
  try {
    if (format.document) {
      SKXDocument doc;
      doc.type = format.type;
      doc.creator = format.creator;
      doc.layout = format.layout;
      doc.plain = false;
      if (format.layout == EKXLayout::kClassic)
        doc.spelling = SKXTextSpelling{std::uint16_t(format.encoding), format.lineEnd, 0};
      doc.text = std::make_unique<CKXText>();
      doc.text->SetText(text.text.get());
      if (withInfo) doc.settings = format.settings;
      MarksToSettings(text, doc.settings);
      return KxWriteDocument(path, doc, format.layout, message, 0, batch);
    }
    if (format.rtf) {
      std::vector<std::uint8_t> out;
      const bool page = withInfo && format.hasPage;
      if (int err = KxExportRTF(*text.text, page ? &format.page : nullptr, out, message)) return err;
      CKXTextFileTube tube;
      if (int err = tube.OpenWrite(path, kTypeRTF, format.creator, EKXLayout::kClassic, message)) return err;
      tube.PutFlavor(kTypeRTF, std::move(out));
      DeleteDocPref(tube);
      return tube.Commit(message, 0, batch);
    }
    CKXFlavorExchange exchange(nullptr, text.text.get());
    exchange.SetTextEncoding(format.encoding);
    exchange.SetLineEndType(format.lineEnd);
    // The file holds the text alone: runs of another script are written
    // as their characters, as the editor saves plain text.
    exchange.SetTextAlone(true);
    if (format.hasUnicodeForm) exchange.SetUnicodeForm(format.unicodeForm);
    CKXTextFileTube tube;
    if (int err = tube.OpenWrite(path, kTypeText, format.creator, EKXLayout::kClassic, message)) return err;
    exchange.SendFlavorTo(kTypeText, SKXRange{0, std::int32_t(text.text->GetLength())}, tube);
    // Characters the encoding cannot hold would be lost without a word:
    // the file is left as it was (the tube drops its temporary).
    const long lost =
        KxCountUnwritable(KXHandleAccess::Wrap(text.text.get()), format.encoding) + exchange.GetUnwritten();
    if (lost > 0) {
      if (unwritable) *unwritable = lost;
      message = std::to_string(lost) + " characters cannot be written in the file's encoding";
      return kKxSedUnwritable;
    }
    return tube.Commit(message, 0, batch);
  } catch (const LException& e) {
    message = "the file could not be written";
    return e.GetErrorCode() > 0 ? int(e.GetErrorCode()) : EIO;
  } catch (const std::bad_alloc&) {
    message = "not enough memory";
    return ENOMEM;
  }
}
