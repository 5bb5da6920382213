// Macro byte code from files and the preferences: the statement decoder,
// the code check, the editor's decode/encode, the preference blob reader
// and a bounded run of the player.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/macro_target.h"
#include "macros/macro.h"
#include "macros/macro_list.h"

namespace {

// Answers every question and stops a run after a bounded number of steps.
class Target : public CKXTMacroTarget {
 public:
  long steps = 0;
  Boolean CheckEscapeKey(unsigned long&) override { return ++steps > 2000; }
  short InputDialog(unsigned char*, unsigned char* answer) override {
    answer[0] = 3;
    std::memcpy(answer + 1, "-12", 3);
    return 1;
  }
  long GetDate(unsigned char* text) override {
    text[0] = 255;
    std::memset(text + 1, 'd', 255);
    return 202401011;
  }
};

class Host : public KxMacroHost {
 public:
  CKXTMacroTarget* view = nullptr;
  CKXTMacroTarget* GetTextView() override { return view; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 20) return 0;
  std::vector<char> code(data, data + size);
  long length = long(size);

  OSErr checked = UKXTextMacro::CheckMacroCode(code.data(), length);

  // Statement by statement, as the editor decodes.
  long position = 0;
  SKXTMacroEdit record;
  short result;
  while ((result = UKXTextMacro::AnalyzeMacro(code.data(), length, position, record, true)) > 0) {
    if (UKXTextMacro::GetMacroEditSize(record) < 3) std::abort();
    UKXTextMacro::FreeTexts(record);
  }
  if ((result < 0) != (checked != noErr)) std::abort();

  // The editor's lines: what it writes back must be good code again.
  CKXTMacroEditArray lines;
  if (lines.AnalyzeMacro(code.data(), length) == noErr) {
    long total = lines.GetMacroSize();
    std::vector<char> out(std::size_t(total) + 1);
    if (lines.CreateMacro(out.data(), total) != total) std::abort();
    if (UKXTextMacro::CheckMacroCode(out.data(), total) != noErr) std::abort();
    lines.CheckMacro();
    lines.RenumMacro(2, 3);
  } else if (checked == noErr) {
    std::abort();
  }

  // The preference blob.
  CKXTMacroArray list;
  list.SetData(code.data(), length);
  long blobSize = list.GetDataSize();
  std::vector<char> blob(std::size_t(blobSize) + 1);
  if (list.GetData(blob.data(), blobSize) != blobSize) std::abort();
  for (long n = 1; n <= list.GetCount(); ++n) {
    unsigned char name[32];
    list.GetNameAt(n, name);
  }
  list.FindFunction(1, 0);

  // A bounded run.
  Target target;
  Host host;
  host.view = &target;
  KxMacroSetHost(&host);
  OSErr ran = UKXTextMacro::ExecuteMacro(code.data(), length);
  KxMacroSetHost(nullptr);
  if ((ran == kMacroBadCodeErr) != (checked != noErr && length > 0)) std::abort();
  return 0;
}
