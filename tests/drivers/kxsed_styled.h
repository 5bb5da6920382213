// kxsed --styled: the styled stream editor over documents.
//
//   kxsed --styled [--aozora] [--encoding E] [--steps N] [-n] [-e SCRIPT]...
//         [-f FILE]... [--print WHAT]... [-o OUT] FILE...
//
// FILE... are read as the editor opens documents and edited as one stream
// with the records and marks of the first. Scripts are compiled as the
// stream editor window compiles them (a line ends at a line end; a
// backslash does not carry it on). Without -o the output text is printed
// as UTF-8, then for each --print styles|decos|paras|ruby|marks|unicode a
// line "-- WHAT" and the list. With -o the output document is written in
// the first input's layout, encoding, byte-order mark and line ends.
// Exit: 0; the first stream-editor error (1-25); 1 when an input cannot be
// read whole (nothing printed or written); 2 usage.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "driver_text.h"
#include "platform/core.h"
#include "platform/files.h"
#include "driver_runs.h"
#include "tools/facilities.h"
#include "tools/sed_text.h"

namespace kxsedstyled {

// Errors go to standard error as UTF-8, not to notes. A message's argument
// is a name given on the command line (UTF-8 already) or a piece of a
// script, in the text's own bytes.
class DriverSED : public CKXTextRunSED {
 public:
  std::vector<std::string> names;

  void printerror(int code, const char* text) override {
    CKXTextRunSED::printerror(code, text);
    std::string arg = text ? text : "";
    for (char& c : arg)
      if (c == '\x01') c = '/';
    if (std::find(names.begin(), names.end(), arg) == names.end()) arg = kxdriver::TextToUTF8(arg, {});
    std::string message;
    for (const char* p = SEDErrorText(code); *p; ++p) {
      if (p[0] == '%' && p[1] == 's') {
        message += arg;
        ++p;
      } else {
        message += *p;
      }
    }
    // An output refused for characters its encoding lacks is no failure to
    // create it: say so, and how many.
    if (code == 9 && Unwritable() > 0)
      message = arg + ": " + std::to_string(Unwritable()) + " characters cannot be written in the file's encoding";
    std::fprintf(stderr, "kxsed: %s\n", message.c_str());
  }

 protected:
  void ShowNote(const std::string&) override {}
};

using kxdriver::TextToUTF8;

inline int Usage(const char* why) {
  std::fprintf(stderr, "kxsed: usage: %s\n", why);
  return 2;
}

inline void PrintList(const std::string& what, const SKXSedText& out) {
  const CKXText& t = *out.text;
  std::printf("-- %s\n", what.c_str());
  if (what == "styles") {
    std::vector<SKXStyl> runs(size_t(t.GetStylCount()));
    runs.resize(size_t(t.GetStyls(runs.data(), long(runs.size()))));
    kxdriver::PrintStyles(runs);
  } else if (what == "decos") {
    std::vector<SKXDeco> runs(size_t(t.GetDecoCount()));
    runs.resize(size_t(t.GetDecos(runs.data(), long(runs.size()))));
    kxdriver::PrintDecos(runs);
  } else if (what == "paras") {
    std::vector<SKXPara> runs(size_t(t.GetParaCount()));
    runs.resize(size_t(t.GetParas(runs.data(), long(runs.size()))));
    kxdriver::PrintParas(runs);
  } else if (what == "ruby") {
    std::vector<SKXRuby> rubys(size_t(t.GetRubysCount()));
    rubys.resize(size_t(t.GetRubys(rubys.data(), long(rubys.size()))));
    kxdriver::PrintRuby(rubys);
  } else if (what == "marks") {
    for (const SKXSedMark& m : out.marks) kxdriver::PrintMark(m.start, long(m.start) + m.length, m.rank, m.name);
  } else if (what == "unicode") {
    std::vector<SKXUniChar> sides(size_t(t.GetUniCharsCount()));
    sides.resize(size_t(t.GetUniChars(sides.data(), long(sides.size()))));
    kxdriver::PrintUniChars(sides);
  }
}

inline int Run(int argc, char** argv) {
  bool aozora = false, noPrint = false;
  short encoding = kKxCodeAuto;
  long steps = 0;
  std::vector<std::string> prints, files;
  std::string out;
  bool haveOut = false;
  std::vector<SKXSedText> scriptTexts;
  struct Script {
    bool file;
    std::string value;
  };
  std::vector<Script> scripts;
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](std::string& v) {
      if (i + 1 >= argc) return false;
      v = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--aozora") {
      aozora = true;
    } else if (a == "--encoding") {
      if (!value(v)) return Usage("--encoding needs a name");
      encoding = kxdriver::EncodingCode(v);
      if (encoding == -2) return Usage("--encoding auto|sjis|jis|euc|utf8|utf16");
    } else if (a == "--steps") {
      char* end = nullptr;
      if (!value(v)) return Usage("--steps needs a positive number");
      steps = std::strtol(v.c_str(), &end, 10);
      if (steps <= 0 || !end || *end) return Usage("--steps needs a positive number");
    } else if (a == "-n") {
      noPrint = true;
    } else if (a == "-e") {
      if (!value(v)) return Usage("-e needs a script");
      scripts.push_back({false, v});
    } else if (a == "-f") {
      if (!value(v)) return Usage("-f needs a file");
      scripts.push_back({true, v});
    } else if (a == "--print") {
      if (!value(v)) return Usage("--print styles|decos|paras|ruby|marks|unicode");
      if (v != "styles" && v != "decos" && v != "paras" && v != "ruby" && v != "marks" && v != "unicode")
        return Usage("--print styles|decos|paras|ruby|marks|unicode");
      prints.push_back(v);
    } else if (a == "-o") {
      if (!value(out)) return Usage("-o needs a file");
      haveOut = true;
    } else if (a.size() > 1 && a[0] == '-') {
      return Usage(("unknown option " + a).c_str());
    } else {
      files.push_back(a);
    }
  }
  if (files.empty()) return Usage("kxsed --styled [options] FILE...");
  if (scripts.empty()) return Usage("no script (-e or -f)");

  KxToolsFacilities();
  CoreInit();
  // Detection as the drivers read files: every Japanese encoding and UTF.
  CKXJCode::sUseUNICODE = 1;
  CKXJCode::sUseCVKANJI = 1;
  int rc = 0;
  {
    std::vector<SKXSedStream> scriptStreams;
    scriptTexts.reserve(scripts.size());
    for (const Script& s : scripts) {
      if (s.file) {
        scriptStreams.push_back(SKXSedStream::File(s.value));
        continue;
      }
      // Arguments are UTF-8; the editor works on the text's own bytes.
      std::string sjis;
      std::vector<SKXUniChar> sides;
      const std::vector<unsigned char> raw(s.value.begin(), s.value.end());
      if (!kxdriver::DecodeText(raw, kKxCodeUTF8, sjis, sides)) {
        CoreTerminate();
        return Usage("a script is not UTF-8");
      }
      scriptTexts.emplace_back();
      // With the side characters, as a script window holds them.
      scriptTexts.back().text->SetText(sjis.data(), long(sjis.size()), nullptr, 0, nullptr, 0, nullptr, 0,
                                       sides.empty() ? nullptr : sides.data(), long(sides.size()));
      scriptStreams.push_back(SKXSedStream::Text(&scriptTexts.back()));
    }
    std::vector<SKXSedStream> inputs;
    for (const std::string& f : files) inputs.push_back(SKXSedStream::File(f));
    DriverSED sed;
    for (const Script& s : scripts)
      if (s.file) sed.names.push_back(s.value);
    sed.names.insert(sed.names.end(), files.begin(), files.end());
    if (haveOut) sed.names.push_back(out);
    sed.SetMaxLine(1L << 26);
    sed.SetStepBudget(steps);
    sed.SetEncoding(encoding);
    sed.SetAozora(aozora);
    sed.SetMessageList(210, 11);
    const SKXSedStream output = haveOut ? SKXSedStream::File(out) : SKXSedStream();
    const bool ok = sed.DoStreamEdit(scriptStreams, inputs, output, noPrint, false);
    if (!sed.FailedInput().empty()) {
      // The document layer's messages are UTF-8 already.
      std::fprintf(stderr, "kxsed: cannot read %s whole: %s\n", sed.FailedInput().c_str(), sed.FailMessage().c_str());
      rc = 1;
    } else {
      if (sed.FirstError())
        rc = sed.FirstError();
      else if (!ok)
        rc = 1;
      if (sed.BudgetSpent()) std::fprintf(stderr, "kxsed: step limit of %ld reached\n", steps);
      if (!haveOut) {
        const SKXSedText& result = sed.Output();
        const CKXText& t = *result.text;
        std::string bytes(size_t(t.GetLength()), '\0');
        if (!bytes.empty()) t.CopyBytes(0, t.GetLength(), bytes.data(), long(bytes.size()));
        std::vector<SKXUniChar> sides(size_t(t.GetUniCharsCount()));
        sides.resize(size_t(t.GetUniChars(sides.data(), long(sides.size()))));
        const std::string text = TextToUTF8(bytes, sides);
        std::fwrite(text.data(), 1, text.size(), stdout);
        if (!prints.empty() && !text.empty() && text.back() != '\n') std::fputs("\n", stdout);
        for (const std::string& w : prints) PrintList(w, result);
      }
    }
  }
  CoreTerminate();
  return rc;
}

}  // namespace kxsedstyled

inline int KxSedStyled(int argc, char** argv) { return kxsedstyled::Run(argc, argv); }
