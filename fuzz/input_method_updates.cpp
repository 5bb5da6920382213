// Input-method text from outside (a desktop input method) through the
// text's handler: compositions with clause ranges and carets, commits,
// document access and deletes around the caret, in any order and with any
// bytes. Input: records of an operation byte, a length byte and that many
// bytes of text; a composition's record is followed by a clause count and,
// per clause, start, end and selected bytes, then a caret byte.
//
// Offsets and points of the geometry queries come from outside too.
//
// Whatever comes, the text must pass its own checks, the composition must
// lie inside the text, and confirming must leave no composition behind.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/facilities.h"
#include "engine/text_engine.h"
#include "engine/text_event.h"
#include "engine/input_method_handler.h"
#include "layout/text_edit.h"
#include "platform/core.h"
#include "platform/fonts.h"

namespace {

const std::string kText = "alpha beta\rgamma \x82\xA0\x82\xA2\rdelta";

void CheckText(const CKXTextEngine& e, const CKXTextTSMHandler& tsm) {
  const CKXTextEdit& edit = *KXHandleAccess::Edit(e.GetEdit());
  if (const char* broken = edit.Check()) {
    std::fprintf(stderr, "edit object: %s\n", broken);
    std::abort();
  }
  const std::string broken = static_cast<const CKXText&>(edit).Check();
  if (!broken.empty()) {
    std::fprintf(stderr, "text: %s\n", broken.c_str());
    std::abort();
  }
  const long length = KXText_GetLength(e.GetEdit());
  if (tsm.HasActiveArea() &&
      (tsm.GetActiveStart() < 0 || tsm.GetActiveEnd() < tsm.GetActiveStart() || tsm.GetActiveEnd() > length)) {
    std::fprintf(stderr, "composition %ld-%ld outside the text (%ld)\n", tsm.GetActiveStart(), tsm.GetActiveEnd(),
                 length);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KxEngineFacilities();
  CoreInit();
  KxFontInstallBackend(KxSyntheticFontBackend());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 14) return 0;
  CKXTextEngine engine(false);
  engine.AddUser(&engine);   // lives on this stack frame
  KXText_SetText(engine.GetEdit(), kText.data(), long(kText.size()), nullptr, 0, nullptr, 0, nullptr, 0);
  KXTE_CalcText(engine.GetEdit());
  KXTE_Activate(engine.GetEdit());
  auto* handler = new CKXTextEvent;
  handler->AddUser(&engine);
  handler->SetTextEngine(&engine);
  handler->Activate();
  CKXTextTSMHandler& tsm = handler->GetTSMHandler();
  std::size_t k = 0;
  auto next = [&]() -> std::uint8_t { return k < size ? data[k++] : 0; };
  while (k < size) {
    const std::uint8_t op = next();
    const std::size_t n = std::min<std::size_t>(next(), size - k);
    const std::string text(reinterpret_cast<const char*>(data + k), n);
    k += n;
    switch (op % 8) {
      case 0: {
        std::vector<CKXTextTSMHandler::Clause> clauses;
        for (int c = next() % 4; c > 0; --c) {
          const long a = next(), b = next();
          clauses.push_back({a - 8, b - 8, (next() & 1) != 0});   // some out of range on purpose
        }
        tsm.Preedit(text, clauses, long(next()) - 2);
        break;
      }
      case 1:
        tsm.Commit(text);
        break;
      case 2: {
        SKXInputUpdate u;
        u.text = KxUTF8ToUTF16(text);
        u.fixedLength = long(next()) - 1;
        u.hasPin = (next() & 1) != 0;
        u.pinStart = long(next()) - 4;
        u.pinEnd = long(next()) - 4;
        u.hilites.push_back({long(next()) - 4, long(next()) - 4, short(next() % 7)});
        tsm.DoUpdateActiveInputArea(u);
        break;
      }
      case 3: {
        std::string around;
        long caret = 0, count = 0, length = 0, start = 0, end = 0;
        tsm.Surrounding(around, caret);
        tsm.LockDocument(count);
        tsm.GetLength(length);
        tsm.GetSelectedRange(start, end);
        std::vector<char16_t> units(std::size_t(length) + 1);
        tsm.GetCharacters(0, length, units.data());
        tsm.ReplaceRange(long(next()) - 2, long(next()) - 2);
        tsm.UnlockDocument(count);
        break;
      }
      case 4:
        tsm.DeleteSurrounding(long(next()) - 128, long(next()));
        break;
      case 5: {
        const long length = KXText_GetLength(engine.GetEdit());
        const long a = next() % (length + 1);
        engine.SetSelectionRange({std::int32_t(a), std::int32_t(next() % (length - a + 1))}, false);
        break;
      }
      case 6: {
        SKXOffsetPos pos;
        long offset = 0;
        short region = 0;
        Rect caret{};
        tsm.DoOffset2Pos(long(next()) - 4, pos);
        tsm.DoPos2Offset(Point{std::int16_t(next() - 16), std::int16_t(next() * 4 - 16)}, offset, region);
        tsm.CaretRect(caret);
        break;
      }
      default:
        handler->Deactivate();
        handler->Activate();
        if (tsm.HasActiveArea()) {
          std::fprintf(stderr, "a confirmed composition stayed\n");
          std::abort();
        }
        break;
    }
    CheckText(engine, tsm);
  }
  handler->SetTextEngine(nullptr);
  handler->RemoveUser(&engine);
  return 0;
}
