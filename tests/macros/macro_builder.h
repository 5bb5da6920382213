// Builds macro byte code from statements for the tests.
#pragma once

#include <cstring>
#include <string>
#include <deque>
#include <vector>

#include "macros/macro.h"

class MacroBuilder {
 public:
  MacroBuilder& Add(const SKXTMacroEdit& r) {
    long n = UKXTextMacro::GetMacroEditSize(r);
    std::size_t at = code.size();
    code.resize(at + std::size_t(n));
    long written = UKXTextMacro::CreateMacro(code.data() + at, r);
    if (written != n) code.resize(at + std::size_t(written));
    return *this;
  }
  MacroBuilder& Command(std::uint16_t command) { return Add(Rec(kMacroCommand, command)); }
  MacroBuilder& Text(const std::string& s) { return Add(WithText(Rec(kMacroText), s)); }
  MacroBuilder& UnicodeText(const std::string& utf8) { return Add(WithText(Rec(kMacroUnicodeText), utf8)); }
  MacroBuilder& Key(unsigned char c, unsigned char mods = 0, short count = 0) {
    SKXTMacroEdit r = Rec(kMacroKey, c, mods);
    r.count = count;
    return Add(r);
  }
  MacroBuilder& Goto(std::uint16_t kind, const std::string& s = "") { return Add(WithText(Rec(kMacroGoto, kind), s)); }
  MacroBuilder& Label(const std::string& s) { return Add(WithText(Rec(kMacroLabel), s)); }
  MacroBuilder& Value(int reg, int op, int source, const std::string& s = "") {
    SKXTMacroEdit r = Rec(kMacroValue, std::uint16_t(reg), std::uint16_t(op));
    r.count = std::int16_t(source);
    return Add(WithText(r, s));
  }
  // Jump targets as (kind, text).
  MacroBuilder& Compare(int left, int op, int right, const std::string& s, std::uint16_t k1, const std::string& t1,
                        std::uint16_t k2, const std::string& t2) {
    SKXTMacroEdit r = Rec(kMacroCompare, std::uint16_t(left), std::uint16_t(op));
    r.count = std::int16_t(right);
    return Add(Targets(WithText(r, s), k1, t1, k2, t2));
  }
  MacroBuilder& Find(int mode, int options, const std::string& s, std::uint16_t k1, const std::string& t1,
                     std::uint16_t k2, const std::string& t2) {
    SKXTMacroEdit r = Rec(kMacroFind, std::uint16_t(mode), std::uint16_t(options));
    return Add(Targets(WithText(r, s), k1, t1, k2, t2));
  }
  MacroBuilder& Dialog(int kind, int reg, const std::string& prompt, std::uint16_t k1, const std::string& t1,
                       std::uint16_t k2, const std::string& t2) {
    SKXTMacroEdit r = Rec(kMacroDialog, std::uint16_t(kind));
    r.count = std::int16_t(reg);
    return Add(Targets(WithText(r, prompt), k1, t1, k2, t2));
  }
  MacroBuilder& Extend(int operation, int reg) {
    SKXTMacroEdit r = Rec(kMacroExtend, std::uint16_t(operation));
    r.count = std::int16_t(reg);
    return Add(r);
  }
  MacroBuilder& Header(int hidden, int fkey, int number, int mods) {
    SKXTMacroEdit r = Rec(kMacroHeader, std::uint16_t(hidden), std::uint16_t(fkey));
    r.count = std::int16_t(number);
    r.target1Kind = std::uint16_t(mods);
    return Add(r);
  }
  MacroBuilder& Raw(std::initializer_list<int> bytes) {
    for (int b : bytes) code.push_back(char(b));
    return *this;
  }

  static SKXTMacroEdit Rec(short opcode, std::uint16_t value = 0, std::uint16_t option = 0) {
    SKXTMacroEdit r{};
    r.opcode = opcode;
    r.value = value;
    r.option = option;
    return r;
  }

  char* data() { return code.data(); }
  long size() const { return long(code.size()); }
  std::vector<char> code;

 private:
  // The strings live as long as the builder (records point into them).
  SKXTMacroEdit WithText(SKXTMacroEdit r, const std::string& s) {
    if (!s.empty()) {
      texts.push_back(s);
      r.text = texts.back().data();
      r.textLength = std::int16_t(s.size());
    }
    return r;
  }
  SKXTMacroEdit Targets(SKXTMacroEdit r, std::uint16_t k1, const std::string& t1, std::uint16_t k2,
                        const std::string& t2) {
    r.target1Kind = k1;
    r.target2Kind = k2;
    if (!t1.empty()) {
      texts.push_back(t1);
      r.target1Text = texts.back().data();
      r.target1Length = std::int16_t(t1.size());
    }
    if (!t2.empty()) {
      texts.push_back(t2);
      r.target2Text = texts.back().data();
      r.target2Length = std::int16_t(t2.size());
    }
    return r;
  }
  std::deque<std::string> texts;
};
