// Reference-counted objects: a sharable lives while it has users and
// deletes itself (through NoMoreUsers) when the last one lets go.
#pragma once

class LSharable {
 public:
  LSharable() = default;
  LSharable(const LSharable&) = delete;
  LSharable& operator=(const LSharable&) = delete;

  // The user argument names who holds the object; it is kept for symmetry
  // with the callers and not stored.
  void AddUser(void* user = nullptr) {
    (void)user;
    ++mUseCount;
  }
  void RemoveUser(void* user = nullptr) {
    (void)user;
    if (mUseCount > 0 && --mUseCount == 0) NoMoreUsers();
  }
  long GetUseCount() const { return mUseCount; }

 protected:
  virtual ~LSharable() = default;
  // Called once the use count drops to zero; deletes the object by default.
  virtual void NoMoreUsers() { delete this; }

 private:
  long mUseCount = 0;
};
