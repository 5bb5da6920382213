// Fuzz target: a stream-editor script compiled and run once over a small
// input. The bytes before the first zero are the script, the rest the input.
// A step budget (lines, jumps and matcher work of the whole run) and a small
// line limit end scripts that loop, backtrack without end or grow.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/core.h"
#include "tools/facilities.h"
#include "tools/sed_memory.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KxToolsFacilities();
  CoreInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* bytes = reinterpret_cast<const char*>(data);
  std::string all(bytes, size);
  size_t zero = all.find('\0');
  std::string script = all.substr(0, zero);
  std::string input = zero == std::string::npos ? std::string("one\ntwo\nthree\n") : all.substr(zero + 1);
  CSEDMemory sed;
  sed.SetStepBudget(2000);
  sed.SetMaxLine(8000);
  sed.mReadable["r"] = "read\n";
  sed.Run(script, input);
  return 0;
}
