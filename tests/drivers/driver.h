// What the test drivers share: a main that runs between CoreInit and
// CoreTerminate, and line ends turned into the text's own.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/core.h"
#include "platform/exception.h"

// Runs `run` with the facilities `registrar` registers; an LException that
// escapes it is reported as "NAME: error CODE" and gives exit status 1.
template <typename Run>
int KxDriverMain(const char* name, KxFacilityFn registrar, Run run) {
  registrar();
  CoreInit();
  int status;
  try {
    status = run();
  } catch (const LException& e) {
    std::fprintf(stderr, "%s: error %ld\n", name, e.GetErrorCode());
    status = 1;
  }
  CoreTerminate();
  return status;
}

// Paragraphs ending in CR, LF or CR LF, all ending in CR.
inline std::string KxDriverLinesToCR(const std::vector<std::uint8_t>& raw) {
  std::string text;
  text.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    text += raw[i] == '\n' ? '\r' : char(raw[i]);
  }
  return text;
}

// Appends a code point to a UTF-8 string (the drivers print UTF-8).
inline void KxDriverPutUTF8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | cp >> 6);
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | cp >> 12);
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | cp >> 18);
    out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}
