// The handles of the procedural interface: a styled text, an edit object,
// and the way the layout area's own code reaches the objects behind them.
#pragma once

#include <cstddef>

class CKXText;
class CKXTextEditEx;
struct SKXPageStyl;
struct SKXFormStyl;
struct SKXEditStyl;

// A styled text, or an edit object seen as one.
class KXTextHandle {
 public:
  constexpr KXTextHandle() = default;
  constexpr KXTextHandle(std::nullptr_t) {}
  explicit operator bool() const { return mText != nullptr; }
  friend bool operator==(const KXTextHandle&, const KXTextHandle&) = default;

 private:
  friend struct KXHandleAccess;
  CKXText* mText = nullptr;
};

// An edit object.
class KXEditHandle {
 public:
  constexpr KXEditHandle() = default;
  constexpr KXEditHandle(std::nullptr_t) {}
  explicit operator bool() const { return mEdit != nullptr; }
  friend bool operator==(const KXEditHandle&, const KXEditHandle&) = default;
  // An edit object is also a text.
  operator KXTextHandle() const;

 private:
  friend struct KXHandleAccess;
  CKXTextEditEx* mEdit = nullptr;
};

// The objects behind handles, for the layout area's own code and tests.
struct KXHandleAccess {
  static CKXText* Text(KXTextHandle h) { return h.mText; }
  static CKXTextEditEx* Edit(KXEditHandle h) { return h.mEdit; }
  static KXTextHandle Wrap(CKXText* t) {
    KXTextHandle h;
    h.mText = t;
    return h;
  }
  static KXEditHandle Wrap(CKXTextEditEx* e) {
    KXEditHandle h;
    h.mEdit = e;
    return h;
  }
};
