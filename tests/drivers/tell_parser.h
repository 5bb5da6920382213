// The small English form of object specifiers that `kxedit tell` takes,
// turned into the descriptors a script would send:
//   text                                   the whole text
//   word 3 of text, paragraph -1           an element by index (negative from the end)
//   first|last|middle|any word             an element by ordinal
//   characters 2 thru 5 of paragraph 1     a range of text
//   every word of line 2 [whose text = "x"]   all elements, or those passing a test
//   insertion point before|after SPECIFIER      an insertion point
// followed by an action: get | set PROPERTY VALUE | delete | count.
// Whose-tests compare the element's text: = < <= > >= "begins with" "ends with".
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ae/desc.h"
#include "platform/ae/specifier.h"

namespace kxtell {

struct TellRequest {
  AEDesc specifier;
  std::string action;     // "", "get", "set", "delete", "count"
  DescType property = 0;  // for set
  AEDesc value;           // for set
};

// A four-character code from a string of four characters.
inline OSType Code(const std::string& s) {
  OSType c = 0;
  for (std::size_t i = 0; i < 4; ++i) c = c << 8 | (i < s.size() ? static_cast<unsigned char>(s[i]) : ' ');
  return c;
}

class TellParser {
 public:
  // Text values arrive as UTF-8; `toText` turns them into the text's bytes
  // (false: they cannot be).
  using Converter = bool (*)(const std::string& utf8, std::string& bytes);
  explicit TellParser(Converter toText) : mToText(toText) {}

  // False with `error` set when the line does not parse.
  bool Parse(const std::string& line, TellRequest& out, std::string& error) {
    mWords.clear();
    mPos = 0;
    if (!Split(line, error)) return false;
    try {
      out = TellRequest{};
      out.specifier = Specifier();
      if (!AtEnd()) {
        out.action = Next();
        if (out.action == "set") {
          out.property = Property(Next());
          out.value = Value(out.property);
        } else if (out.action != "get" && out.action != "delete" && out.action != "count") {
          throw Failure("unknown action " + out.action);
        }
      }
      if (!AtEnd()) throw Failure("unexpected " + mWords[mPos].text);
    } catch (const Failure& f) {
      error = f.what;
      return false;
    }
    return true;
  }

 private:
  struct Word {
    std::string text;
    bool quoted;
  };
  struct Failure {
    std::string what;
    explicit Failure(std::string w) : what(std::move(w)) {}
  };

  bool Split(const std::string& line, std::string& error) {
    std::size_t i = 0;
    while (i < line.size()) {
      if (std::isspace(static_cast<unsigned char>(line[i]))) {
        ++i;
      } else if (line[i] == '"') {
        const std::size_t close = line.find('"', i + 1);
        if (close == std::string::npos) {
          error = "unterminated string";
          return false;
        }
        mWords.push_back({line.substr(i + 1, close - i - 1), true});
        i = close + 1;
      } else {
        std::size_t j = i;
        while (j < line.size() && !std::isspace(static_cast<unsigned char>(line[j])) && line[j] != '"') ++j;
        mWords.push_back({line.substr(i, j - i), false});
        i = j;
      }
    }
    return true;
  }

  bool AtEnd() const { return mPos >= mWords.size(); }
  bool Peek(const char* word) const { return !AtEnd() && !mWords[mPos].quoted && mWords[mPos].text == word; }
  bool Accept(const char* word) {
    if (!Peek(word)) return false;
    ++mPos;
    return true;
  }
  std::string Next() {
    if (AtEnd()) throw Failure("unexpected end");
    return mWords[mPos++].text;
  }
  void Expect(const char* word) {
    if (!Accept(word)) throw Failure(std::string("expected ") + word);
  }

  static bool ClassOf(const std::string& w, DescType& kind) {
    static const struct {
      const char* singular;
      const char* plural;
      DescType kind;
    } kClasses[] = {{"character", "characters", FourCC("cha ")},
                    {"word", "words", FourCC("cwor")},
                    {"line", "lines", FourCC("clin")},
                    {"paragraph", "paragraphs", FourCC("cpar")}};
    for (const auto& c : kClasses)
      if (w == c.singular || w == c.plural) {
        kind = c.kind;
        return true;
      }
    return false;
  }
  DescType Class() {
    DescType kind = 0;
    const std::string w = Next();
    if (!ClassOf(w, kind)) throw Failure("unknown class " + w);
    return kind;
  }
  static bool ToInt(const std::string& w, std::int32_t& v) {
    if (w.empty() || w.size() > 10) return false;
    std::size_t i = w[0] == '-' ? 1 : 0;
    if (i == w.size()) return false;
    std::int64_t n = 0;
    for (; i < w.size(); ++i) {
      if (!std::isdigit(static_cast<unsigned char>(w[i]))) return false;
      n = n * 10 + (w[i] - '0');
    }
    if (w[0] == '-') n = -n;
    if (n < INT32_MIN || n > INT32_MAX) return false;
    v = std::int32_t(n);
    return true;
  }
  std::int32_t Index() {
    std::int32_t v = 0;
    const std::string w = Next();
    if (!ToInt(w, v) || v == 0) throw Failure("bad index " + w);
    return v;
  }
  // "of SPECIFIER" or nothing (the whole text).
  AEDesc Container() { return Accept("of") ? Specifier() : AEDesc(); }

  AEDesc Specifier() {
    if (Accept("text")) return AEDesc();
    if (Accept("insertion")) {
      Expect("point");
      const std::string where = Next();
      if (where != "before" && where != "after") throw Failure("expected before or after");
      const AEDesc reference = Specifier();
      return AEMakeObjectSpecifier(FourCC("cins"), reference, formRelativePosition,
                                   AEDesc::FromCode(typeEnumerated, where == "before" ? kAEBefore : kAEAfter));
    }
    if (Accept("every")) {
      const DescType kind = Class();
      const AEDesc container = Container();
      if (Accept("whose")) return AEMakeTestSpecifier(kind, container, Test());
      return AEMakeOrdinalSpecifier(kind, container, kAEAll);
    }
    static const struct {
      const char* word;
      OSType ordinal;
    } kOrdinals[] = {{"first", kAEFirst}, {"last", kAELast}, {"middle", kAEMiddle}, {"any", kAEAny}};
    for (const auto& o : kOrdinals)
      if (Accept(o.word)) {
        const DescType kind = Class();
        return AEMakeOrdinalSpecifier(kind, Container(), o.ordinal);
      }
    const DescType kind = Class();
    const std::int32_t first = Index();
    if (Accept("thru")) {
      const std::int32_t last = Index();
      const AEDesc here = AEMakeCurrentContainer();
      const AEDesc container = Container();
      return AEMakeRangeSpecifier(FourCC("ctxt"), container, AEMakeIndexSpecifier(kind, here, first),
                                  AEMakeIndexSpecifier(kind, here, last));
    }
    return AEMakeIndexSpecifier(kind, Container(), first);
  }

  AEDesc Test() {
    Expect("text");
    OSType op = 0;
    if (Accept("begins")) {
      Expect("with");
      op = kAEBeginsWith;
    } else if (Accept("ends")) {
      Expect("with");
      op = kAEEndsWith;
    } else {
      static const struct {
        const char* word;
        OSType op;
      } kOps[] = {{"=", kAEEquals},     {"<", kAELessThan},           {"<=", kAELessThanEquals},
                  {">", kAEGreaterThan}, {">=", kAEGreaterThanEquals}};
      for (const auto& o : kOps)
        if (Accept(o.word)) op = o.op;
      if (!op) throw Failure("unknown comparison");
    }
    if (AtEnd() || !mWords[mPos].quoted) throw Failure("expected a quoted text");
    return AEMakeComparison(op, AEMakeObjectBeingExamined(), AEDesc::FromText(TextValue(Next())));
  }

  std::string TextValue(const std::string& utf8) {
    std::string bytes;
    if (!mToText(utf8, bytes)) throw Failure("text does not convert");
    return bytes;
  }

  static DescType Property(const std::string& w) {
    static const struct {
      const char* name;
      const char* code;
    } kProperties[] = {{"text", "pcnt"},      {"contents", "pcnt"},   {"font", "font"},   {"size", "ptsz"},
                       {"style", "txst"},     {"color", "colr"},      {"linetype", "lint"}, {"linecolor", "lncl"},
                       {"net", "netp"},       {"netcolor", "ntcl"},   {"extstyle", "esty"}, {"selection", "sele"}};
    for (const auto& p : kProperties)
      if (w == p.name) return Code(p.code);
    throw Failure("unknown property " + w);
  }

  // Values: "text", a number, R,G,B, a 'code' (four characters), or the
  // names of styles.
  AEDesc Value(DescType property) {
    if (AtEnd()) throw Failure("missing value");
    const Word w = mWords[mPos++];
    if (w.quoted) return AEDesc::FromText(TextValue(w.text));
    std::int32_t n = 0;
    if (w.text.size() == 6 && w.text.front() == '\'' && w.text.back() == '\'')
      return AEDesc::FromCode(property == FourCC("sele") ? typeType : typeEnumerated, Code(w.text.substr(1, 4)));
    if (std::count(w.text.begin(), w.text.end(), ',') == 2) {
      AEDesc list = AEDesc::MakeList();
      std::size_t from = 0;
      for (int i = 0; i < 3; ++i) {
        const std::size_t comma = w.text.find(',', from);
        if (!ToInt(w.text.substr(from, comma - from), n)) throw Failure("bad colour " + w.text);
        list.Append(AEDesc::FromLong(n));
        from = comma + 1;
      }
      return list;
    }
    if (ToInt(w.text, n)) {
      // Line and net fields and colour-table entries count from their
      // enumerator bases.
      if (property == FourCC("lint")) return AEDesc::FromCode(typeEnumerated, OSType(0x6E30 + n));
      if (property == FourCC("lncl")) return AEDesc::FromCode(typeEnumerated, OSType(0x6C30 + n));
      if (property == FourCC("netp") || property == FourCC("ntcl")) return AEDesc::FromCode(typeEnumerated, OSType(48 + n));
      return AEDesc::FromLong(n);
    }
    static const struct {
      const char* name;
      const char* code;
    } kNames[] = {{"plain", "plai"}, {"bold", "bold"},     {"italic", "ital"},  {"underline", "undl"},
                  {"outline", "outl"}, {"shadow", "shad"}, {"condense", "cond"}, {"extend", "pexp"}};
    for (const auto& e : kNames)
      if (w.text == e.name) return AEDesc::FromCode(typeEnumerated, Code(e.code));
    throw Failure("bad value " + w.text);
  }

  Converter mToText;
  std::vector<Word> mWords;
  std::size_t mPos = 0;
};

}  // namespace kxtell
