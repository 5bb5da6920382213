#include "engine/text_layer.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "platform/exception.h"
#include "text/base/geometry.h"
#include "text/base/memory.h"
#include "text/codes/script.h"

const SKXRange CKXTextLayer::sTextAll{0, -1};
const SKXRange CKXTextLayer::sTextStart{0, 0};
const SKXRange CKXTextLayer::sTextEnd{-1, 1};
const SKXRange CKXTextLayer::sTextUndefined{-1, 0};

namespace {
constexpr unsigned short kKeyHome = 1, kKeyEnter = 3, kKeyEnd = 4, kKeyBackspace = 8, kKeyDelete = 127;
constexpr char kModCommand = 2, kModOption = 4;
// Command and option together: the line-wide delete and the re-insert.
constexpr char kModCommandOption = kModCommand | kModOption;

// Every live layer, for the memory purge; all on the event-loop thread.
std::vector<CKXTextLayer*>& Layers() {
  static std::vector<CKXTextLayer*> layers;
  return layers;
}

// A key that the type-ahead may hold back: printable, without command or
// option.
bool IsBufferable(unsigned short key, char modifiers) {
  return key >= 32 && key != kKeyDelete && key < 256 && (modifiers & kModCommandOption) == 0;
}
}  // namespace

CKXTextLayer::CKXTextLayer() { Layers().push_back(this); }

CKXTextLayer::~CKXTextLayer() {
  Terminate();
  auto& all = Layers();
  all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

// ---- lifecycle ----------------------------------------------------------------------------------------

void CKXTextLayer::Initialize(const RectL& view, const RectL* dest) {
  const std::int32_t width = view.right - view.left, height = view.bottom - view.top;
  const RectL v{mMargins.top, mMargins.left, std::int32_t(mMargins.top + height),
                std::int32_t(mMargins.left + width)};
  const RectL d = dest ? *dest
                       : RectL{0, 0, std::int32_t(mMargins.top + mMargins.bottom),
                               std::int32_t(mMargins.left + mMargins.right)};
  Initialize(SKXPageStyl{}, v);
  KXTE_SetDestRect(mEdit, d);
}

void CKXTextLayer::Initialize(const SKXPageStyl& page, const RectL& view) {
  Terminate();
  const RectL dest{0, 0, view.bottom - view.top, view.right - view.left};
  auto make = [&] {
    try {
      return KXTE_PageStylNew(page, dest, view);
    } catch (const LException&) {
    } catch (const std::bad_alloc&) {
    }
    return KXEditHandle{};
  };
  mEdit = make();
  if (!mEdit) {
    if (!KxMemRecovery()) KxMemThrowError();
    mEdit = make();
    if (!mEdit) KxMemThrowError();
  }
  KXTE_SetAutoView(mEdit, 1);
}

void CKXTextLayer::Terminate() {
  DropAction();
  if (mEdit) KXTE_Dispose(mEdit);
  mEdit = nullptr;
  mTypeAhead.clear();
  mTypeAhead.shrink_to_fit();
  mDeleted.clear();
  mDeleted.shrink_to_fit();
  mTextChanged = mSmartEdit = false;
  mLineEndType = kLineEndCR;
  mBeforeRange = sTextStart;
  mPurgePending = false;
}

void CKXTextLayer::Activate() {
  ExecBufferKey();
  Focus();
  // The answer only says whether the state changed; read as an edit result
  // its 1 would scroll the text up a step at every window switch.
  (void)KXTE_Activate(mEdit);
}

void CKXTextLayer::Deactivate() {
  ExecBufferKey();
  Focus();
  (void)KXTE_Deactivate(mEdit);
}

void CKXTextLayer::Idle() {
  ExecBufferKey();
  Focus();
  // The answer only says whether the caret blinked; read as an edit result
  // its 1 would scroll the text up a step at every blink.
  (void)KXTE_Idle(mEdit);
  // Lines a relayout left for later; the scroller learns the height when
  // the last of them is laid out.
  if (const std::uint16_t r = KXTE_LayOutDeferred(mEdit)) TextEditResult(r);
}

void CKXTextLayer::Click(long h, long v, char extend, short clicks, short /*modifiers*/) {
  Command command(*this);
  ExecBufferKey();
  Focus();
  if (IsTypingAction()) CompleteTyping();
  // The layer tracks no mouse: a click is a press and a release.
  const PointL where{std::int32_t(v), std::int32_t(h)};
  std::uint16_t result = KXTE_Click(mEdit, where, extend != 0, 0, clicks);
  result |= KXTE_Click(mEdit, where, extend != 0, 1, clicks);
  TextEditResult(result);
}

// ---- ranges and characters --------------------------------------------------------------------------------

SKXRange CKXTextLayer::GetTotalRange() const { return {0, std::int32_t(KXText_GetLength(mEdit))}; }

SKXRange CKXTextLayer::GetSelectionRange() const {
  long a = 0, b = 0;
  KXTE_GetSelect(mEdit, a, b);
  return {std::int32_t(std::min(a, b)), std::int32_t(std::max(a, b) - std::min(a, b))};
}

void CKXTextLayer::SetSelectionRange(const SKXRange& range, bool scroll) {
  const SKXRange r = CropRange(range);
  std::uint16_t result = KXTE_SetSelect(mEdit, r.start, long(r.start) + r.length);
  if (scroll) result |= KXTE_SetSelView(mEdit, 0);
  TextEditResult(result);
}

SKXRange CKXTextLayer::CropRange(const SKXRange& range) const {
  const std::int32_t len = GetTotalRange().length;
  SKXRange r{range.start < 0 ? len : range.start, range.length < 0 ? len : range.length};
  SKXRange out{};
  UKXRange::RangeCrop(r, {0, len}, out);
  return out;
}

long CKXTextLayer::PrevCharSize(long offset) const {
  const long prev = KXText_GetPrevCharPos(mEdit, offset);
  return prev < offset ? offset - prev : 0;
}

long CKXTextLayer::ThisCharSize(long offset) const {
  const long next = KXText_GetNextCharPos(mEdit, offset);
  return next > offset ? next - offset : 0;
}

std::uint16_t CKXTextLayer::GetChar(long offset) const { return KXText_GetChar(mEdit, offset); }

void CKXTextLayer::SetBeforeRange(const SKXRange& range) { mBeforeRange = {CropRange(range).start, 0}; }

long CKXTextLayer::CharStart(long offset) const {
  // An offset inside a two-byte character means that character's start, as
  // the edit object places a selection end (a line may be measured to end
  // inside one).
  const long len = GetTotalRange().length;
  if (offset > 0 && offset < len) {
    const long start = KXText_GetPrevCharPos(mEdit, offset + 1);
    if (start < offset) return start;
  }
  return offset;
}

SKXRange CKXTextLayer::GetLeftSelectionRange(char modifiers) const {
  const SKXRange sel = GetSelectionRange();
  if (sel.length > 0) return sel;
  const long caret = sel.start;
  long target = caret;
  if (caret > 0) {
    if (modifiers & kModCommand) {
      target = KXTE_GetLineOffset(mEdit, KXTE_GetLineNumber(mEdit, caret));
    } else if (modifiers & kModOption) {
      long s = 0, e = 0;
      KXText_Get1WordPos(mEdit, KXText_GetPrevCharPos(mEdit, caret), s, e);
      target = s;
    } else {
      target = KXText_GetPrevCharPos(mEdit, caret);
    }
  }
  target = std::clamp(CharStart(target), 0L, caret);
  return {std::int32_t(target), std::int32_t(caret - target)};
}

SKXRange CKXTextLayer::GetRightSelectionRange(char modifiers) const {
  const SKXRange sel = GetSelectionRange();
  if (sel.length > 0) return sel;
  const long caret = sel.start, len = GetTotalRange().length;
  long target = caret;
  if (modifiers & kModCommand) {
    const long line = KXTE_GetLineNumber(mEdit, caret);
    const bool last = line >= KXTE_GetLineCount(mEdit);
    target = last ? len : KXTE_GetLineOffset(mEdit, line + 1);
    // The paragraph's CR stays unless option is held too.
    if (!last && !(modifiers & kModOption) && target > caret && GetChar(target - 1) == 13) --target;
  } else if (modifiers & kModOption) {
    long s = 0, e = 0;
    KXText_Get1WordPos(mEdit, caret, s, e);
    target = e;
  } else {
    target = KXText_GetNextCharPos(mEdit, caret);
  }
  target = std::clamp(CharStart(std::clamp(target, 0L, len)), caret, len);
  return {std::int32_t(caret), std::int32_t(target - caret)};
}

void CKXTextLayer::SetDeleted(const SKXRange& range) {
  std::string bytes(std::size_t(std::max(0, range.length)), '\0');
  bytes.resize(std::size_t(TextGetThruPtr(range, bytes.data(), long(bytes.size()))));
  mDeleted = std::move(bytes);
}

// ---- primitives --------------------------------------------------------------------------------------------

KXTextHandle CKXTextLayer::NewText() {
  auto make = [] {
    try {
      return KXText_New();
    } catch (const LException&) {
    } catch (const std::bad_alloc&) {
    }
    return KXTextHandle{};
  };
  KXTextHandle h = make();
  if (!h) {
    if (!KxMemRecovery()) KxMemThrowError();
    h = make();
    if (!h) KxMemThrowError();
  }
  return h;
}

template <typename F>
void CKXTextLayer::EditRange(const SKXRange& range, F edit) {
  Focus();
  SetSelectionRange(range, false);
  EditSelection(edit);
}

template <typename F>
void CKXTextLayer::EditSelection(F edit) {
  const SKXRange sel = GetSelectionRange();
  const long before = GetTotalRange().length;
  const std::uint16_t result = edit();
  const long after = GetTotalRange().length;
  if (after != before || sel.length > 0) TextChanged(sel.start, sel.length, after - before + sel.length);
  TextEditResult(result);
}

void CKXTextLayer::TextDelete(const SKXRange& range) {
  if (CropRange(range).length == 0) return;
  EditRange(range, [&] { return KXTE_Delete(mEdit); });
}

void CKXTextLayer::TextInsert(const SKXRange& range, const char* text, long len, const SKXStyl* styl, long nStyl,
                              const SKXDeco* deco, long nDeco, const SKXPara* para, long nPara,
                              const SKXUniChar* uni, long nUni, const SKXRuby* ruby, long nRuby) {
  EditRange(range, [&] {
    // The ruby goes in with the text, before its lines are laid out.
    return KXTE_ReplaceWithUniChars(mEdit, text, len, styl, std::int32_t(nStyl), deco, std::int32_t(nDeco), para,
                                    std::int32_t(nPara), uni, std::int32_t(nUni), ruby, std::int32_t(nRuby));
  });
}

void CKXTextLayer::TextInsert(const SKXRange& range, KXTextHandle text, short kind) {
  const long n = KXText_GetLength(text);
  std::string bytes(std::size_t(n), '\0');
  std::vector<SKXUniChar> uni(std::size_t(KXText_GetUniCharsCount(text)));
  const bool runs = kind != 1;
  std::vector<SKXStyl> styl(runs ? std::size_t(std::max<std::int32_t>(1, KXText_GetStylCount(text))) : 0);
  std::vector<SKXDeco> deco(runs ? std::size_t(std::max<std::int32_t>(1, KXText_GetDecoCount(text))) : 0);
  std::vector<SKXPara> para(runs ? std::size_t(KXText_GetParaCount(text)) : 0);
  std::vector<SKXRuby> ruby(runs ? std::size_t(KXText_GetRubysCount(text)) : 0);
  KXText_GetText(text, bytes.data(), n, styl.data(), std::int32_t(styl.size()), deco.data(),
                 std::int32_t(deco.size()), para.data(), std::int32_t(para.size()), uni.data(),
                 std::int32_t(uni.size()));
  if (!ruby.empty()) ruby.resize(std::size_t(KXText_GetRubys(text, ruby.data(), std::int32_t(ruby.size()))));
  TextInsert(range, bytes.data(), n, runs ? styl.data() : nullptr, long(styl.size()),
             runs ? deco.data() : nullptr, long(deco.size()), para.empty() ? nullptr : para.data(),
             long(para.size()), uni.empty() ? nullptr : uni.data(), long(uni.size()),
             ruby.empty() ? nullptr : ruby.data(), long(ruby.size()));
}

void CKXTextLayer::TextPaste(const SKXRange& range, KXTextHandle text, short kind) {
  // A paste of attributes alone keeps the text's length: no text change.
  const bool styleOnly = kind >= 2 && (kind & 1) == 0;
  if (styleOnly) {
    Focus();
    SetSelectionRange(range, false);
    TextEditResult(KXTE_Paste(mEdit, text, kind));
    return;
  }
  EditRange(range, [&] { return KXTE_Paste(mEdit, text, kind); });
}

void CKXTextLayer::TextCopy(const SKXRange& range, KXTextHandle text, short kind) const {
  const SKXRange r = CropRange(range);
  KXText_Copy(mEdit, r.start, long(r.start) + r.length, text, kind);
}

void CKXTextLayer::TextMove(const SKXRange& from, const SKXRange& to) {
  const SKXRange source = CropRange(from);
  SKXRange target = CropRange(to);
  struct Owner {
    KXTextHandle h;
    ~Owner() { KXText_Dispose(h); }
  } copy{NewText()};
  TextCopy(source, copy.h, kKxSaveAll);
  TextDelete(source);
  if (target.start >= source.start + source.length) target.start -= source.length;
  TextPaste({target.start, 0}, copy.h, kKxSaveAll);
}

long CKXTextLayer::TextGetThruPtr(const SKXRange& range, char* buffer, long size) const {
  const SKXRange r = CropRange(range);
  return KXText_GetSelText(mEdit, r.start, long(r.start) + r.length, buffer, size, nullptr, 0, nullptr, 0, nullptr,
                           0, nullptr, 0);
}

void CKXTextLayer::TextReplaceByPtr(const SKXRange& range, const char* bytes, long len) {
  EditRange(range, [&] { return KXTE_Replace(mEdit, bytes, len, nullptr, 0, nullptr, 0, nullptr, 0); });
}

// ---- actions --------------------------------------------------------------------------------------------------

namespace {
// Save kind of an action type. Actions that change the text keep every
// run array, paragraph runs included, even over an empty range: a deleted
// line end merges two paragraphs, and only the kept runs can split them
// again as they were.
short SaveKindFor(short type) {
  switch (type) {
    case kKxActPlain:
      return kKxSaveText;
    case 21:
    case 55:
      return 6;
    case 23:
    case 25:
    case 27:
    case 29:
      return 2;
    case 31:
    case 33:
    case 35:
    case 37:
    case 39:
      return 4;
    case 61:
    case 63:
    case 65:
    case 67:
    case 69:
    case 71:
    case 73:
      return 8;
    case 75:
      return 14;
    default:
      return kKxSaveAll;
  }
}
}  // namespace

CKXTextAction* CKXTextLayer::MakeAction(short type, std::uint8_t /*flag*/) {
  auto action = std::make_unique<CKXTextAction>(this);
  action->NewAction(type, SaveKindFor(type));
  return action.release();
}

void CKXTextLayer::PostAction(CKXTextAction* action) {
  if (mAction != action && mOwnsAction) delete mAction;
  mAction = action;
  mOwnsAction = true;
}

void CKXTextLayer::DropAction() {
  // An action that an undoer keeps is the undoer's to delete.
  if (mOwnsAction) delete mAction;
  mAction = nullptr;
  mOwnsAction = true;
}

short CKXTextLayer::GetKeyType(unsigned short key) const {
  return KXText_GetKeyType(mEdit, static_cast<unsigned char>(key & 0xFF));
}

CKXTextAction* CKXTextLayer::CheckTyping(unsigned short key, char /*modifiers*/) {
  const short kind = GetKeyType(key);
  const bool edits = kind == kKxKeyInsert || kind == kKxKeyBack || kind == kKxKeyForward;
  if (mAction && mAction->IsTypingAction()) {
    if (!mAction->IsCompleted() || !edits) return mAction;
  }
  if (!edits) return nullptr;
  CKXTextAction* action = MakeAction(kKxActTyping, 0);
  PostAction(action);
  return action;
}

void CKXTextLayer::CompleteTyping() {
  if (mAction) mAction->CompleteTyping();
}

bool CKXTextLayer::IsTypingAction() const { return mAction && mAction->IsTypingAction(); }

bool CKXTextLayer::CheckSmartEdit(const SKXRange& range) const {
  const SKXRange r = CropRange(range);
  return mSmartEdit && KXText_CheckSmartEdit(mEdit, r.start, long(r.start) + r.length);
}

void CKXTextLayer::Undo() {
  Command command(*this);
  ExecBufferKey();
  if (mAction && mAction->CanUndo()) mAction->Undo();
}

void CKXTextLayer::Redo() {
  Command command(*this);
  ExecBufferKey();
  if (mAction && mAction->CanRedo()) mAction->Redo();
}

// ---- memory -----------------------------------------------------------------------------------------------------

CKXTextLayer::Command::Command(CKXTextLayer& layer) : mLayer(layer) { ++mLayer.mCommandDepth; }

CKXTextLayer::Command::~Command() {
  if (--mLayer.mCommandDepth == 0 && mLayer.mPurgePending) {
    mLayer.mPurgePending = false;
    mLayer.DropAction();
  }
}

bool CKXTextLayer::PurgeUndoStates() {
  bool freed = false;
  for (CKXTextLayer* layer : Layers()) {
    if (!layer->mAction) continue;
    if (layer->mCommandDepth > 0) {
      layer->mPurgePending = true;
    } else {
      layer->DropAction();
      freed = true;
    }
  }
  return freed;
}

// ---- keys ----------------------------------------------------------------------------------------------------------

void CKXTextLayer::DoKey(unsigned short key, char modifiers) {
  Command command(*this);
  if (!CheckKeyCode(key, modifiers)) return;
  if (key == kKeyHome || key == kKeyEnd) SetBeforeRange(GetSelectionRange());
  Focus();
  CKXTextAction* action = CheckTyping(key, modifiers);
  if (action) action->BeforeTyping(key, modifiers);
  const short kind = GetKeyType(key);
  const SKXRange sel = GetSelectionRange();
  const long before = GetTotalRange().length;
  const std::uint16_t result = KXTE_KeyIn(mEdit, static_cast<unsigned char>(key & 0xFF), modifiers);
  if (action) action->AfterTyping();
  if (kind == kKxKeyInsert || kind == kKxKeyBack || kind == kKxKeyForward) {
    const long after = GetTotalRange().length;
    const SKXRange now = GetSelectionRange();
    if (after != before || !UKXRange::RangesSame(now, sel))
      if (after != before || sel.length > 0) TextChanged(sel.start, sel.length, after - before + sel.length);
  }
  TextEditResult(result);
  KeyTaken(key, modifiers);
}

bool CKXTextLayer::CheckKeyCode(unsigned short key, char modifiers) {
  // Held-back keys go in before any key that cannot join them.
  if (!IsBufferable(key, modifiers)) ExecBufferKey();
  if (GetKeyType(key) == kKxKeyIgnored) return false;
  if (key == kKeyBackspace && mSmartEdit && GetSelectionRange().length > 0) {
    DoDelete();
    return false;
  }
  if (key == kKeyDelete && modifiers == kModCommandOption) {
    // From the start of the display line to its end, line end included.
    const SKXRange sel = GetSelectionRange();
    SKXRange caret{sel.start, 0};
    const long start = KXTE_GetLineOffset(mEdit, KXTE_GetLineNumber(mEdit, sel.start));
    if (sel.length > 0 || start != sel.start) {
      CompleteTyping();
      caret.start = std::int32_t(start);
      SetSelectionRange(caret, false);
    }
    return true;
  }
  if (key == kKeyEnter && modifiers == kModCommandOption) {
    if (!mDeleted.empty()) {
      const std::string bytes = mDeleted;
      DoString(bytes.data(), long(bytes.size()));
    }
    return false;
  }
  return CheckBufferKey(key, modifiers);
}

bool CKXTextLayer::CheckBufferKey(unsigned short key, char modifiers) {
  if (!IsBufferable(key, modifiers)) return true;
  short code = 0, mods = 0;
  const bool waiting = KxGetNextKey(code, mods);
  const unsigned char next = static_cast<unsigned char>(code & 0xFF);
  if (waiting && IsBufferable(next, char(mods))) {
    mTypeAhead.push_back(char(key));
    return false;
  }
  if (mTypeAhead.empty()) return true;
  mTypeAhead.push_back(char(key));
  ExecBufferKey();
  return false;
}

bool CKXTextLayer::ExecBufferKey() {
  if (mTypeAhead.empty()) return false;
  std::string bytes;
  bytes.swap(mTypeAhead);
  // A lead byte whose second byte has not come yet stays held back.
  // Keys arrive in the program's Japanese encoding.
  const short script = kScriptJapanese;
  long complete = 0;
  for (long k = 0; k < long(bytes.size());) {
    const long width = KxTextCharFirst(static_cast<unsigned char>(bytes[std::size_t(k)]), script) ? 2 : 1;
    if (k + width > long(bytes.size())) break;
    k += width;
    complete = k;
  }
  if (complete < long(bytes.size())) mTypeAhead.assign(bytes, std::size_t(complete), std::string::npos);
  if (complete > 0) DoString(bytes.data(), complete);
  return true;
}

// ---- strings --------------------------------------------------------------------------------------------------------

void CKXTextLayer::DoString(const char* text, long len) { DoString(text, len, nullptr, 0); }

void CKXTextLayer::DoString(const char* text, long len, const SKXUniChar* uni, long nUni) {
  if (!text || len <= 0) return;
  Command command(*this);
  Focus();
  CKXTextAction* action = CheckTyping(32, 0);
  if (action) action->BeforeTyping(32, 0);
  // Over the selection as it stands, so that a style chosen with nothing
  // selected goes with the text.
  EditSelection([&] {
    return uni && nUni > 0 ? KXTE_InsertTextWithUniChars(mEdit, text, len, uni, std::int32_t(nUni))
                           : KXTE_InsertText(mEdit, text, len);
  });
  if (action) action->AfterTyping();
}

void CKXTextLayer::DoString(KXTextHandle styledText) {
  if (!styledText) return;
  if (KXText_GetParaCount(styledText) >= 1) {
    DoInsert(styledText);
    return;
  }
  Command command(*this);
  Focus();
  CKXTextAction* action = CheckTyping(32, 0);
  if (action) action->BeforeTyping(32, 0);
  EditSelection([&] { return KXTE_Paste(mEdit, styledText, 0); });
  if (action) action->AfterTyping();
}
