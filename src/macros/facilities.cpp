#include "macros/facilities.h"

#include <algorithm>

#include "app/app_commands.h"
#include "app/customize_dialog.h"
#include "app/document.h"
#include "app/dynamic_menus.h"
#include "app/fspec.h"
#include "app/recent_menu.h"
#include "engine/macro_recorder.h"
#include "engine/text_engine.h"
#include "layout/kxtext_api.h"
#include "macros/macro.h"
#include "macros/macro_list.h"
#include "macros/program_hooks.h"
#include "platform/core.h"
#include "platform/host/host.h"
#include "text/base/memory.h"
#include "tools/facilities.h"
#include "views/message_box.h"
#include "views/text_view.h"

namespace {

// The key customisation dialog and the function-key bar name the macro a
// function key runs.
std::string FunctionMacroName(int key, int modifiers) {
  const long n = gKXTextMacros ? gKXTextMacros->FindFunction(char(key), char(modifiers)) : 0;
  SKXTMacro macro;
  if (n < 1 || !gKXTextMacros->GetAt(n, macro)) return {};
  return std::string(reinterpret_cast<const char*>(macro.name + 1), std::min<std::size_t>(macro.name[0], 31));
}

// A macro whose code does not decode (a damaged preference file) would
// run as nothing without a word: the note names its first bad line, as the
// editor's check does.
constexpr std::int16_t kBadLineNote = 7;   // of list 204
bool ReportBadCode(char** code, long size) {
  if (!code || !*code || size <= 0) return false;
  long line = 0;
  {
    CKXLock lock(code);
    line = UKXTextMacro::BadMacroLine(lock.Ptr(), std::min(size, KxMemHSize(code)));
  }
  if (line > 0) KXMessageBox::NumNote(kBadLineNote, line);
  return line > 0;
}

// The lower areas reach the recorder and the player through this; callers
// ask IsRecording before they add anything.
class MacroRecorder : public CKXMacroRecorder {
 public:
  bool IsRecording() const override { return UKXTextMacro::mMacroRecording != 0; }
  // A running macro neither starts nor stops a recording: starting would
  // throw away the last recording and leave recording on after the run.
  void StartRecording() override {
    if (!UKXTextMacro::mMacroExec) UKXTextMacro::StartRecording();
  }
  void StopRecording() override {
    if (!UKXTextMacro::mMacroExec) UKXTextMacro::StopRecording();
  }
  void AddMacroKeyCode(unsigned char key, char modifiers) override { UKXTextMacro::AddMacroKeyCode(key, modifiers); }
  // The recorder copies the text and never writes through the pointer.
  void AddMacroString(const char* text, long length) override {
    UKXTextMacro::AddMacroString(const_cast<char*>(text), length);
  }
  void AddMacroUnicodeString(const char* text, long length, const SKXUniChar* uni, long nUni) override {
    UKXTextMacro::AddMacroUnicodeString(text, length, uni, nUni);
  }
  void AddMacroCommand(long command) override { UKXTextMacro::AddMacroCommand(command); }
  void RunFunctionMacro(short key, char mods) override {
    if (gKXTextMacros) RunUserMacro(gKXTextMacros->FindFunction(char(key), mods));
  }
  std::string FunctionMacroName(short key, char mods) const override { return ::FunctionMacroName(key, mods); }
  bool HasRecordedMacro() const override { return UKXTextMacro::mMacroData && UKXTextMacro::mMacroSize > 0; }
  void RunRecordedMacro() override {
    if (!HasRecordedMacro() || ReportBadCode(UKXTextMacro::mMacroData, UKXTextMacro::mMacroSize)) return;
    UKXTextMacro::ExecuteMacro(UKXTextMacro::mMacroData, UKXTextMacro::mMacroSize);
  }
  bool RunUserMacro(long n) override {
    if (!gKXTextMacros || n < 1 || n > gKXTextMacros->GetCount()) return false;
    SKXTMacro macro;
    gKXTextMacros->PeekItem(n, &macro);
    if (ReportBadCode(macro.code, macro.size)) return true;
    UKXTextMacro::ExecuteMacro(macro.code, macro.size);
    return true;
  }
};

// The front document's text view and its engine, for the player.
class TextViewHost : public KxMacroHost {
 public:
  CKXTMacroTarget* GetTextView() override { return CKXTextView::GetTextView(); }
  void GetSelection(CKXTextEngine* engine, long& start, long& end) override {
    const SKXRange r = engine ? engine->GetSelectionRange() : SKXRange{};
    start = r.start;
    end = long(r.start) + r.length;
  }
  long GetTextLength(CKXTextEngine* engine) override { return engine ? long(engine->GetTotalRange().length) : 0; }
  unsigned short GetChar(CKXTextEngine* engine, long offset) override {
    return engine && offset >= 0 && offset < engine->GetTotalRange().length ? engine->GetChar(offset) : 0;
  }
  long GetLineNumber(CKXTextEngine* engine, long offset) override {
    return engine ? KXTE_GetLineNumber(engine->GetEdit(), offset) : 0;
  }
  long GetLineOffset(CKXTextEngine* engine, long line) override {
    return engine ? KXTE_GetLineOffset(engine->GetEdit(), line) : 0;
  }
  long GetLineCount(CKXTextEngine* engine) override { return engine ? KXTE_GetLineCount(engine->GetEdit()) : 0; }
  void GetLineRange(CKXTextEngine* engine, long offset, long& start, long& length) override {
    const SKXRange r = engine ? engine->GetLineSelectionRange(GetLineNumber(engine, offset)) : SKXRange{};
    start = r.start;
    length = r.length;
  }
  long CalcCharCount(CKXTextEngine* engine, long start, long end) override {
    if (!engine) return 0;
    end = std::min(end, long(engine->GetTotalRange().length));
    long count = 0;
    for (long at = std::max(start, 0L); at < end; at += std::max(engine->ThisCharSize(at), 1L)) ++count;
    return count;
  }
  void GetText(CKXTextEngine* engine, long start, long length, char* out) override {
    std::fill(out, out + std::max(length, 0L), char(0));
    if (engine && length > 0) engine->TextGetThruPtr(SKXRange{std::int32_t(start), std::int32_t(length)}, out, length);
  }
  bool GetAutoIndent(CKXTextEngine* engine) override {
    return engine && KXTE_GetAutoIndent(engine->GetEdit()) != 0;
  }
  // As the view inserts a macro's text, with the side entries.
  void InsertUnicodeText(CKXTMacroTarget* target, const char* text, long length, const SKXUniChar* uni,
                         long nUni) override {
    CKXTextEngine* engine = target ? target->GetTextEdit() : nullptr;
    if (!engine || !text || length < 1) return;
    if (!engine->IsEditable()) {
      KxCurrentHost().Beep();
      return;
    }
    engine->DoString(text, length, uni, nUni);
  }
};

// A macro's document statements: the next document, and the recent files
// by the names their menu items show.
KxMacroDocumentHooks DocumentHooks() {
  KxMacroDocumentHooks hooks;
  hooks.nextDocument = [](LDocument* from, bool backward) -> LDocument* {
    auto* doc = dynamic_cast<CKXDocument*>(from);
    return doc ? doc->FindNextDocument(backward) : nullptr;
  };
  hooks.recentNames = [] {
    std::vector<KxRecentName> names;
    SKXFSpec file;
    for (std::int16_t menu = kKxRecentMenu; menu <= kKxRecentMenuLast; ++menu)
      for (std::int16_t item = 1; URecentMenu::GetRecent(menu, item, file); ++item)
        names.push_back({KxMenuTextFromUTF8(UKXFSpec::LeafName(file)),
                         long(LCommander::SyntheticCommandForMenuItem(menu, item))});
    return names;
  };
  return hooks;
}

MacroRecorder gRecorder;
TextViewHost gHost;


void Start() {
  UKXTextMacro::Initialize();
  CKXMacroRecorder::Install(&gRecorder);
  KxMacroSetHost(&gHost);
  KxSetFunctionMacroNameHook(FunctionMacroName);
  KxSetMacroDocumentHooks(DocumentHooks());
}

void Stop() {
  KxSetMacroDocumentHooks({});
  KxSetFunctionMacroNameHook(nullptr);
  KxMacroSetHost(nullptr);
  CKXMacroRecorder::Install(nullptr);
  UKXTextMacro::Terminate();
}

}  // namespace

void KxMacrosFacilities() {
  KxToolsFacilities();
  KxRegisterFacility(kRankMacros, "macros", Start, Stop);
  KxRegisterFacility(kRankMacros + 1, "macro list chunk", [] { KxInstallMacroChunk(true); },
                     [] { KxInstallMacroChunk(false); });
}
