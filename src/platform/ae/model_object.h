// The object model: the objects scripts can name (LModelObject), the
// tokens a specifier resolves to (LModelToken), reference-counted models
// (LSharableModel) and properties as objects (LModelProperty).
//
// Laziness: an object made for one request is lazy; it lives while a token
// or a sub-model uses it and is deleted when the last one lets go. Objects
// that are not lazy belong to whoever made them and must outlive the tokens
// that name them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/ae/desc.h"
#include "platform/framework/sharable.h"

class LModelObject;

// The objects a specifier resolved to: one object, or a list (the result of
// "all", a range or a whose-test, possibly empty).
class LModelToken {
 public:
  LModelToken() = default;
  LModelToken(const LModelToken& other);
  LModelToken& operator=(const LModelToken& other);
  // Moving hands the uses over: nothing is counted again.
  LModelToken(LModelToken&& other) noexcept;
  LModelToken& operator=(LModelToken&& other) noexcept;
  ~LModelToken();

  // Adds an object (a lazy one gains a use). Null is ignored.
  void Add(LModelObject* object);
  void MarkList() { mIsList = true; }
  bool IsList() const { return mIsList || mEntries.size() != 1; }
  std::size_t Count() const { return mEntries.size(); }
  LModelObject* Get(std::size_t i) const { return mEntries[i].object; }
  // The one object: errAENoSuchObject when empty, errAEEventNotHandled for a list.
  LModelObject* Single() const;
  void Clear();

 private:
  struct Entry {
    LModelObject* object;
    bool counted;   // a use is held (the object was lazy when added)
  };
  std::vector<Entry> mEntries;
  bool mIsList = false;
};

class LModelObject {
 public:
  explicit LModelObject(LModelObject* superModel = nullptr, DescType kind = typeNull);
  virtual ~LModelObject();
  LModelObject(const LModelObject&) = delete;
  LModelObject& operator=(const LModelObject&) = delete;

  // The class of the object ("docu", "cha ", ...).
  DescType GetModelKind() const { return mModelKind; }
  void SetModelKind(DescType kind) { mModelKind = kind; }
  LModelObject* GetSuperModel() const { return mSuperModel; }
  // A lazy super model is kept alive while this object refers to it.
  void SetSuperModel(LModelObject* superModel);

  void SetLaziness(bool lazy) { mLazy = lazy; }
  bool IsLazy() const { return mLazy; }
  // Uses held by tokens and sub-models; the last one deletes a lazy object.
  virtual void AddTokenUse();
  virtual void RemoveTokenUse();

  // Elements. Positions count from 1; an index outside 1..count throws
  // errAENoSuchObject. The defaults know no elements.
  virtual long CountSubModels(DescType kind);
  virtual void GetSubModelByPosition(DescType kind, std::int32_t index, LModelToken& outToken);
  virtual void GetSubModelByName(DescType kind, const AEDesc& name, LModelToken& outToken);
  virtual std::int32_t GetPositionOfSubModel(DescType kind, const LModelObject* sub);
  // "next" / "prev" of this object among its super model's elements of `kind`.
  virtual void GetModelByRelativePosition(DescType kind, OSType position, LModelToken& outToken);
  // Key forms other than index, name, property and relative position; the
  // default handles ranges and whose-tests through GetPositionOfSubModel,
  // CountSubModels and GetSubModelByPosition.
  virtual void GetSubModelByComplexKey(DescType kind, DescType keyForm, const AEDesc& keyData,
                                       LModelToken& outToken);
  // A property as an object (by default a lazy LModelProperty).
  virtual LModelObject* GetModelProperty(DescType property);
  // One step of a specifier applied to this object as container.
  virtual void GetModelToken(DescType kind, DescType keyForm, const AEDesc& keyData, LModelToken& outToken);

  // Whose-test comparisons; the defaults throw errAEEventNotHandled.
  virtual bool CompareToModel(OSType op, LModelObject* other);
  virtual bool CompareToDescriptor(OSType op, const AEDesc& value);

  // The specifier that names this object from the application down.
  virtual void MakeSpecifier(AEDesc& outSpecifier);
  // This object inside `container` (default: by index in the super model).
  virtual void MakeSelfSpecifier(const AEDesc& container, AEDesc& outSpecifier);

  // Properties. Unknown ones throw errAENoSuchObject. The default answers
  // pClass, and pContents with the object's own specifier.
  virtual void GetAEProperty(DescType property, const AEDesc& requestedType, AEDesc& outValue);
  virtual void SetAEProperty(DescType property, const AEDesc& value, AEDesc& outResult);
  virtual void GetImportantAEProperties(AERecord& outRecord);

  // Events. HandleAppleEventAll is the entry the director calls (the
  // default passes on to HandleAppleEvent, which runs get and set data, data
  // size, delete, clone and move; others throw errAEEventNotHandled).
  virtual void HandleAppleEventAll(const AppleEvent& event, AppleEvent& reply, AEDesc& outResult, long number);
  virtual void HandleAppleEvent(const AppleEvent& event, AppleEvent& reply, AEDesc& outResult, long number);
  // Where an element made at `position` of this object goes (default: here).
  virtual LModelObject* GetInsertionTarget(OSType position);
  virtual LModelObject* GetInsertionElement(OSType position);
  virtual void HandleCreateElementEvent(DescType kind, OSType position, LModelObject* target,
                                        const AppleEvent& event, AEDesc& outResult);
  virtual void HandleDelete(AppleEvent& reply, AEDesc& outResult);
  virtual void HandleClone(const AppleEvent& event, AEDesc& outResult);
  virtual void HandleMove(const AppleEvent& event, AEDesc& outResult);

 private:
  LModelObject* mSuperModel = nullptr;
  bool mHoldsSuper = false;   // a use of a lazy super model is held
  DescType mModelKind;
  bool mLazy = false;
  long mTokenUses = 0;
};

// A model object counted by LSharable: tokens and other holders add users,
// and the last user to let go deletes it.
class LSharableModel : public LModelObject, public virtual LSharable {
 public:
  explicit LSharableModel(LModelObject* superModel = nullptr, DescType kind = typeNull)
      : LModelObject(superModel, kind) {}
  void AddTokenUse() override { AddUser(this); }
  void RemoveTokenUse() override { RemoveUser(this); }
};

// A property of its super model as an object of its own, so that get data,
// set data and whose-tests can name it.
class LModelProperty : public LModelObject {
 public:
  LModelProperty(DescType property, LModelObject* superModel, bool beLazy = true);
  DescType GetPropertyID() const { return mPropertyID; }

  bool CompareToModel(OSType op, LModelObject* other) override;
  bool CompareToDescriptor(OSType op, const AEDesc& value) override;
  void MakeSelfSpecifier(const AEDesc& container, AEDesc& outSpecifier) override;
  void HandleAppleEvent(const AppleEvent& event, AppleEvent& reply, AEDesc& outResult, long number) override;

 private:
  AEDesc GetValue();
  DescType mPropertyID;
};
