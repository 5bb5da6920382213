// The scripting model of text: a CKXTextAEOM node stands for a piece of one
// engine's text (the whole text, a character, word, line or paragraph, a
// range, an insertion point, or one property of such a piece). Nodes are
// made per request and counted; only the whole-text node lives as long as
// its container. Elements are counted and found by the engine's part
// functions; every change goes through the engine's undoable commands.
//
// The whole-text node (range sTextAll) works on the current selection for
// editing, relative positions and its specifier; every other node works on
// its own range, so that a script naming a word changes that word.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/text_engine.h"
#include "platform/ae/model_object.h"
#include "text/base/range.h"

// Classes of text nodes.
constexpr DescType kKxClassChar = FourCC("cha ");
constexpr DescType kKxClassWord = FourCC("cwor");
constexpr DescType kKxClassLine = FourCC("clin");
constexpr DescType kKxClassPara = FourCC("cpar");
constexpr DescType kKxClassText = FourCC("ctxt");
constexpr DescType kKxClassInsertion = FourCC("cins");

// Properties of text nodes.
constexpr DescType kKxPropColor = FourCC("colr");
constexpr DescType kKxPropExtStyle = FourCC("esty");
constexpr DescType kKxPropFont = FourCC("font");
constexpr DescType kKxPropLineType = FourCC("lint");
constexpr DescType kKxPropLineColor = FourCC("lncl");
constexpr DescType kKxPropNetPattern = FourCC("netp");
constexpr DescType kKxPropNetColor = FourCC("ntcl");
constexpr DescType kKxPropPointSize = FourCC("ptsz");
constexpr DescType kKxPropTextColor = FourCC("ptxc");
constexpr DescType kKxPropSelection = FourCC("sele");
constexpr DescType kKxPropTextStyles = FourCC("txst");
constexpr DescType kKxPropLength = FourCC("leng");
constexpr DescType kKxPropOffset = FourCC("offs");
constexpr DescType kKxPropBeginHilite = FourCC("pBgH");
constexpr DescType kKxPropLineID = FourCC("pLID");

// A move into the text it moves is refused with this code.
constexpr OSErr kKxErrAEImpossibleRange = -1720;

class CKXTextAEOM : public LSharableModel {
 public:
  // A container's node: no engine yet, the whole text, property "pcnt".
  CKXTextAEOM(LModelObject* super, DescType kind);
  CKXTextAEOM(CKXTextEngine* engine, const SKXRange& range, LModelObject* super, DescType kind, DescType property);
  ~CKXTextAEOM() override = default;

  void SetAEOMEngine(CKXTextEngine* engine) { mEngine = engine; }
  CKXTextEngine* GetAEOMEngine() const { return mEngine; }
  // The node's range, moved by the edits scripts made since it was made.
  SKXRange GetRange() const { return LiveRange(); }
  DescType GetProperty() const { return mProperty; }
  bool IsWholeText() const { return mRange.start == 0 && mRange.length < 0; }
  // The node's range within the text as it is now.
  SKXRange CroppedRange() const;
  // What editing works on: the selection for the whole-text node, else the
  // cropped range.
  SKXRange WorkRange() const;
  // The plain bytes of a range of the engine's text.
  std::string RangeBytes(const SKXRange& range) const;

  // The topmost text node of the super chain (it holds the range cache).
  CKXTextAEOM* GetSuperAEOM();
  // The range cache of ranges of text: a range resolved once keeps covering
  // the text a later "pcnt" set put there. Keyed on start and end; any edit
  // other than that set drops it.
  bool LookUpCachedRange(const SKXRange& resolved, SKXRange& out) const;
  void StoreCachedRange(const SKXRange& resolved);
  void ResetCachedRange() { mCache.valid = false; }

  // One change of the text made through the model: the bytes from start on
  // that were `removed` long are now `inserted` long.
  struct SEdit {
    std::int32_t start;
    std::int32_t removed;
    std::int32_t inserted;
  };
  // Where a range stands after an edit: text before the edit stays, text
  // after it moves by the change, a range holding all the replaced text
  // holds what replaced it, and of a range the edit cuts into only what lay
  // outside the edit is kept. A range that ends where the edit starts stays
  // before it; one that starts where something is only inserted goes after.
  static SKXRange MapRange(const SKXRange& range, const SEdit& edit);

  // ---- Nodes and elements -----------------------------------------------------------------------
  // Element codes give a node of that class, property codes a "cha " node
  // for that property; anything else throws -10010. Lazy; super null means
  // this node's super.
  virtual CKXTextAEOM* MakeNewModel(const SKXRange& range, DescType kind, LModelObject* super);
  static bool IsElementClass(DescType kind);
  static bool IsNodeProperty(DescType property);

  long CountSubModels(DescType kind) override;
  void GetSubModelByPosition(DescType kind, std::int32_t index, LModelToken& outToken) override;
  void GetModelByRelativePosition(DescType kind, OSType position, LModelToken& outToken) override;
  std::int32_t GetPositionOfSubModel(DescType kind, const LModelObject* sub) override;
  void GetSubModelByComplexKey(DescType kind, DescType keyForm, const AEDesc& keyData, LModelToken& outToken) override;
  LModelObject* GetModelProperty(DescType property) override;
  // Where something put at `position` goes; other positions throw -10002.
  // atContainer (optional): the range is the node's own start, end or whole.
  void FindInsertionRange(OSType position, SKXRange& out, bool* atContainer);
  LModelObject* GetInsertionElement(OSType position) override;

  // ---- Comparisons (plain bytes of the node against the other side) ----------------------------
  bool CompareToModel(OSType op, LModelObject* other) override;
  // The value is coerced to text first (-1700 when it cannot be).
  bool CompareToDescriptor(OSType op, const AEDesc& value) override;
  // Unknown operators throw -1708.
  virtual bool CompareSelf(OSType op, const char* a, long aLen, const char* b, long bLen);

  // ---- Specifiers --------------------------------------------------------------------------------
  // The specifier of `range` inside `within` (an insertion location for an
  // empty range, an element or a range of elements of `kind` otherwise).
  static void MakeTextSelection(const AEDesc& container, DescType kind, const SKXRange& range,
                                const SKXRange& within, CKXTextEngine* engine, AEDesc& out);
  void MakeSpecifier(AEDesc& outSpecifier) override;
  void MakeSelfSpecifier(const AEDesc& container, AEDesc& outSpecifier) override;

  // ---- Events and properties ---------------------------------------------------------------------
  void HandleAppleEvent(const AppleEvent& event, AppleEvent& reply, AEDesc& outResult, long number) override;
  void GetAEProperty(DescType property, const AEDesc& requestedType, AEDesc& outValue) override;
  void SetAEProperty(DescType property, const AEDesc& value, AEDesc& outResult) override;
  void HandleCreateElementEvent(DescType kind, OSType position, LModelObject* target, const AppleEvent& event,
                                AEDesc& outResult) override;
  void HandleDelete(AppleEvent& reply, AEDesc& outResult) override;
  void HandleClone(const AppleEvent& event, AEDesc& outResult) override;
  void HandleMove(const AppleEvent& event, AEDesc& outResult) override;

  virtual void HandleCut(AppleEvent& reply);
  virtual void HandleCopy();
  virtual void HandlePaste();
  virtual void HandleRedo();
  virtual void HandleUndo();
  virtual void HandleSelect();
  virtual void HandleFont(const AEDesc& value);
  virtual void HandlePointSize(const AEDesc& value);
  virtual void HandleTextStyles(const AEDesc& value);
  virtual void HandleTextColor(const AEDesc& value);
  virtual void HandleLineType(const AEDesc& value);
  virtual void HandleLineColor(const AEDesc& value);
  virtual void HandleNetPattern(const AEDesc& value);
  virtual void HandleNetColor(const AEDesc& value);
  virtual void HandleExtStyle(const AEDesc& value);
  virtual void HandleSelection(const AEDesc& value);

 protected:
  CKXTextEngine& Engine() const;   // errAENoSuchObject without one
  // Selects what editing works on (the node's range unless it stands for
  // the whole text) and answers it.
  SKXRange SelectWorkRange();
  void HandleMoveOrClone(bool move, const AppleEvent& event, AEDesc& outResult);
  void SetContents(const AEDesc& value);
  // The specifier of the node after a change, put into the reply's "insh".
  void ReplyWithSpecifier(AppleEvent& reply);
  // Notes that `r` was replaced and the text's length went from
  // `lengthBefore` to what it is now, so that nodes made before the change
  // (the rest of an event's targets) keep naming their own text.
  void NoteEdit(const SKXRange& r, long lengthBefore);
  // Notes one edit as it is.
  void LogEdit(const SEdit& edit);
  // The node's range becomes `range` of the text as it is now.
  void SetRangeNow(const SKXRange& range);
  long TextLength() const;

 private:
  struct RangeCache {
    bool valid = false;
    SKXRange key{0, 0};     // the range as resolved
    SKXRange value{0, 0};   // what it stands for now
    long textLength = 0;    // the text when stored: a change drops the entry
    const void* action = nullptr;
  };
  bool CacheStampMatches() const;
  void Restamp();

  // The edits of one top node's text, shared by the nodes made under it.
  // Entries from `base` on are kept while any of those nodes lives.
  struct SEditLog {
    std::uint64_t base = 0;
    std::vector<SEdit> edits;
    std::uint64_t End() const { return base + edits.size(); }
  };
  // mRange brought up to the edits logged since the node last looked.
  SKXRange LiveRange() const;
  // This top node's log, made on first need; entries no node needs any
  // more are let go.
  const std::shared_ptr<SEditLog>& SharedLog();

  CKXTextEngine* mEngine = nullptr;
  mutable SKXRange mRange{0, -1};
  std::shared_ptr<SEditLog> mLog;   // the top node's; made there on first need
  mutable std::uint64_t mSeen = 0;  // the edits of mLog mRange already follows
  DescType mProperty = pContents;
  RangeCache mCache;
};
