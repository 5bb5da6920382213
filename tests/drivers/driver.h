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
