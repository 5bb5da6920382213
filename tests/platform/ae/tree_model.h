// A small object model for the resolver tests: folders ("fold") holding
// items ("item") and folders, each with a name ("pnam") and a size
// ("psiz"). Items have lazy character elements ("cha ") made per request,
// counted in sLive so that tests can check nothing outlives its tokens.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ae/model_director.h"
#include "platform/ae/specifier.h"
#include "platform/exception.h"

namespace tree {

constexpr DescType cFolder = FourCC("fold");
constexpr DescType cItem = FourCC("item");
constexpr DescType cChar = FourCC("cha ");
constexpr DescType pName = FourCC("pnam");
constexpr DescType pSize = FourCC("psiz");

inline long sLive = 0;   // lazy characters alive

// One character of an item's name, made on demand.
class Char : public LSharableModel {
 public:
  Char(LModelObject* item, std::string text) : LSharableModel(item, cChar), mText(std::move(text)) {
    SetLaziness(true);
    ++sLive;
  }
  ~Char() override { --sLive; }
  void GetAEProperty(DescType property, const AEDesc& type, AEDesc& out) override {
    if (property == pContents) {
      out = AEDesc::FromText(mText);
      return;
    }
    LSharableModel::GetAEProperty(property, type, out);
  }
  bool CompareToDescriptor(OSType op, const AEDesc& value) override {
    return AECompareDescs(op, AEDesc::FromText(mText), value);
  }

 private:
  std::string mText;
};

class Node : public LModelObject {
 public:
  Node(Node* parent, DescType kind, std::string name, int size)
      : LModelObject(parent, kind), mName(std::move(name)), mSize(size) {}

  Node* Add(DescType kind, std::string name, int size = 0, long at = -1) {
    auto node = std::make_unique<Node>(this, kind, std::move(name), size);
    Node* raw = node.get();
    if (at < 0 || at > long(mChildren.size())) at = long(mChildren.size());
    mChildren.insert(mChildren.begin() + at, std::move(node));
    return raw;
  }
  Node* Parent() const { return static_cast<Node*>(GetSuperModel()); }
  const std::string& Name() const { return mName; }
  int Size() const { return mSize; }
  std::vector<Node*> Children(DescType kind) const {
    std::vector<Node*> out;
    for (auto& c : mChildren)
      if (c->GetModelKind() == kind) out.push_back(c.get());
    return out;
  }
  long IndexInParent() const {
    const auto& sibs = Parent()->mChildren;
    for (std::size_t i = 0; i < sibs.size(); ++i)
      if (sibs[i].get() == this) return long(i);
    return -1;
  }
  std::unique_ptr<Node> Detach() {
    auto& sibs = Parent()->mChildren;
    long at = IndexInParent();
    std::unique_ptr<Node> self = std::move(sibs[std::size_t(at)]);
    sibs.erase(sibs.begin() + at);
    return self;
  }
  std::unique_ptr<Node> Copy(Node* parent) const {
    auto copy = std::make_unique<Node>(parent, GetModelKind(), mName, mSize);
    for (auto& c : mChildren) copy->mChildren.push_back(c->Copy(copy.get()));
    return copy;
  }

  long CountSubModels(DescType kind) override {
    if (kind == cChar) return GetModelKind() == cItem ? long(mName.size()) : 0;
    return long(Children(kind).size());
  }
  void GetSubModelByPosition(DescType kind, std::int32_t index, LModelToken& out) override {
    if (index < 1 || index > CountSubModels(kind)) throw LException(errAENoSuchObject);
    if (kind == cChar) {
      out.Add(new Char(this, mName.substr(std::size_t(index - 1), 1)));
      return;
    }
    out.Add(Children(kind)[std::size_t(index - 1)]);
  }
  void GetSubModelByName(DescType kind, const AEDesc& name, LModelToken& out) override {
    std::string wanted = name.AsText();
    for (Node* c : Children(kind)) {
      if (c->mName == wanted) {
        out.Add(c);
        return;
      }
    }
    throw LException(errAENoSuchObject);
  }
  std::int32_t GetPositionOfSubModel(DescType kind, const LModelObject* sub) override {
    auto kids = Children(kind);
    for (std::size_t i = 0; i < kids.size(); ++i)
      if (kids[i] == sub) return std::int32_t(i + 1);
    throw LException(errAENoSuchObject);
  }
  void GetAEProperty(DescType property, const AEDesc& type, AEDesc& out) override {
    if (property == pName) {
      out = AEDesc::FromText(mName);
    } else if (property == pSize) {
      out = AEDesc::FromLong(mSize);
    } else {
      LModelObject::GetAEProperty(property, type, out);
    }
  }
  void SetAEProperty(DescType property, const AEDesc& value, AEDesc& result) override {
    if (property == pName) {
      mName = value.AsText();
    } else if (property == pSize) {
      mSize = value.AsLong();
    } else {
      LModelObject::SetAEProperty(property, value, result);
    }
  }
  // Before and after an element mean inside its folder.
  LModelObject* GetInsertionTarget(OSType position) override {
    if ((position == kAEBefore || position == kAEAfter) && Parent()) return Parent();
    return this;
  }
  void HandleCreateElementEvent(DescType kind, OSType position, LModelObject* target, const AppleEvent& event,
                                AEDesc& result) override {
    if (kind != cItem && kind != cFolder) throw LException(errAECantHandleClass);
    std::string name;
    int size = 0;
    if (event.HasParam(keyAEPropData)) {
      AEDesc props = event.GetParamDesc(keyAEPropData, typeAERecord);
      if (props.HasKey(pName)) name = props.GetKeyDesc(pName).AsText();
      if (props.HasKey(pSize)) size = props.GetKeyDesc(pSize).AsLong();
    }
    Node* made = Add(kind, name, size, InsertAt(position, target));
    made->MakeSpecifier(result);
  }
  void HandleDelete(AppleEvent&, AEDesc&) override {
    if (!Parent()) throw LException(errAEEventNotHandled);
    Detach();   // destroys this node
  }
  void HandleClone(const AppleEvent& event, AEDesc& result) override { MoveOrClone(false, event, result); }
  void HandleMove(const AppleEvent& event, AEDesc& result) override { MoveOrClone(true, event, result); }

 private:
  // Where a new child goes among all children for a position relative to `target`.
  long InsertAt(OSType position, LModelObject* target) {
    if (position == kAEBeginning) return 0;
    if (position == kAEBefore || position == kAEAfter) {
      auto* t = static_cast<Node*>(target);
      return t->IndexInParent() + (position == kAEAfter ? 1 : 0);
    }
    if (position == kAEEnd) return long(mChildren.size());
    throw LException(errAEBadKeyForm);
  }
  void MoveOrClone(bool move, const AppleEvent& event, AEDesc& result) {
    if (!Parent()) throw LException(errAEEventNotHandled);
    LModelToken holder;
    OSType position = kAEEnd;
    LModelObject* object =
        LModelDirector::GetDirector()->ResolveInsertionLocation(event.GetParamDesc(keyAEInsertHere), position, holder);
    auto* into = static_cast<Node*>(object->GetInsertionTarget(position));
    for (Node* up = into; up; up = up->Parent())
      if (up == this) throw LException(errAEBadKeyForm);   // into itself
    std::unique_ptr<Node> node = move ? Detach() : Copy(nullptr);
    long at = into->InsertAt(position, object);
    node->SetSuperModel(into);
    Node* raw = node.get();
    into->mChildren.insert(into->mChildren.begin() + at, std::move(node));
    raw->MakeSpecifier(result);
  }

  std::string mName;
  int mSize;
  std::vector<std::unique_ptr<Node>> mChildren;
};

// The application holding one tree:
//   folder "docs": item a (1), item b (2), item c (3), item d (4), folder "sub": item e (5), item ab (6)
//   folder "misc": item x (7)
struct Fixture {
  Node app{nullptr, cApplication, "app", 0};
  LModelDirector director{&app};
  Node* docs;
  Node* sub;
  Node* misc;
  Fixture() {
    docs = app.Add(cFolder, "docs");
    for (auto [n, s] : {std::pair{"a", 1}, {"b", 2}, {"c", 3}, {"d", 4}}) docs->Add(cItem, n, s);
    sub = docs->Add(cFolder, "sub");
    sub->Add(cItem, "e", 5);
    sub->Add(cItem, "ab", 6);
    misc = app.Add(cFolder, "misc");
    misc->Add(cItem, "x", 7);
  }
};

inline AEDesc Folder(const char* name) { return AEMakeNameSpecifier(cFolder, AEDesc(), name); }
inline AEDesc ItemIn(const AEDesc& folder, std::int32_t index) { return AEMakeIndexSpecifier(cItem, folder, index); }
inline AEDesc PropOfExamined(DescType p) { return AEMakePropertySpecifier(p, AEMakeObjectBeingExamined()); }

// The names of what a token holds, "a,b" (characters by their text).
inline std::string Names(const LModelToken& token) {
  std::string out;
  for (std::size_t i = 0; i < token.Count(); ++i) {
    AEDesc v;
    LModelObject* o = token.Get(i);
    o->GetAEProperty(o->GetModelKind() == cChar ? pContents : pName, AEDesc(), v);
    out += (i ? "," : "") + v.AsText();
  }
  return out;
}

}  // namespace tree
