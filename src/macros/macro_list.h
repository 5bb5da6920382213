// The named macros of the application and the edit lines of one macro.
#pragma once

#include <cstdint>

#include "macros/macro.h"
#include "text/base/array.h"

// The process-wide list of named macros, 1-based. It owns the code handles:
// InsertAt and SetAt take over the handle given, DeleteAt frees it. Indexes
// out of range make reads answer false and writes do nothing.
class CKXTMacroArray : public CKXArray {
 public:
  static constexpr long kAppend = kLastIndex;

  CKXTMacroArray() : CKXArray(sizeof(SKXTMacro)) {}
  ~CKXTMacroArray();
  CKXTMacroArray(const CKXTMacroArray&) = delete;
  CKXTMacroArray& operator=(const CKXTMacroArray&) = delete;

  Boolean GetAt(long n, SKXTMacro& macro) const;
  // Replaces entry n; its previous code is freed unless it is the same handle.
  void SetAt(long n, const SKXTMacro& macro);
  // Inserts before n; n past the end (or kAppend) appends.
  void InsertAt(long n, const SKXTMacro& macro);
  void DeleteAt(long n);
  void DeleteAll();

  // The preference blob: for every macro with code, its 32-byte name field,
  // a 32-bit big-endian size and the code.
  static constexpr long kBlobNameSize = 32;
  static constexpr long kBlobHeaderSize = kBlobNameSize + 4;
  long GetDataSize() const;
  // Clears the buffer and writes the macros that fit whole; answers the
  // number of bytes written.
  long GetData(char* buffer, long bufferSize) const;
  // Replaces the list by the blob's records. A record whose stated size
  // runs past the blob ends the reading (kMacroBadCodeErr; the records
  // before it are kept); a record whose code cannot be allocated is left out.
  OSErr SetData(const char* blob, long size);

  // Copies the 32-byte name field; answers whether the macro is listed in
  // the macro menu (its header does not hide it).
  Boolean GetNameAt(long n, unsigned char* name) const;
  // The first macro (from 1) whose header binds it to function key `key`
  // with these modifiers; 0 when none.
  long FindFunction(char key, char modifiers) const;

  // Set by whoever alters the list outside the macro editor.
  unsigned char mChanged = 0;
};

extern CKXTMacroArray* gKXTextMacros;

// The lines of one macro being edited, 1-based, owning their texts, and the
// four header bytes.
class CKXTMacroEditArray : public CKXArray {
 public:
  static constexpr long kAppend = kLastIndex;

  CKXTMacroEditArray() : CKXArray(sizeof(SKXTMacroEdit)) {}
  ~CKXTMacroEditArray();
  CKXTMacroEditArray(const CKXTMacroEditArray&) = delete;
  CKXTMacroEditArray& operator=(const CKXTMacroEditArray&) = delete;

  // A copy of line n; its texts still belong to the list.
  Boolean GetAt(long n, SKXTMacroEdit& line) const;
  // Stores line n; the list takes the texts of the record given (it does not
  // free the previous ones: CopyString on a copy already did).
  void SetAt(long n, const SKXTMacroEdit& line);
  void InsertAt(long n, const SKXTMacroEdit& line);
  void DeleteAt(long n);
  void DeleteAll();

  // Replaces the lines by the decoded code. Bad code empties the list and
  // answers kMacroBadCodeErr.
  OSErr AnalyzeMacro(char* code, long size);
  long GetMacroSize() const;
  // Writes the header (when needed) and the lines that fit in size;
  // answers the number of bytes written.
  long CreateMacro(char* out, long size) const;
  long FindLabel(const char* name, short length) const;
  // Adds delta to every line number from `from` on in gotos and jump targets.
  void RenumMacro(long from, long delta);
  // The first line whose goto or jump target is bad, or 0.
  long CheckMacro() const;

  // Menu-hidden flag, function-key flag, function key number, modifiers.
  unsigned char mHeader[4] = {0, 0, 0, 0};

 private:
  bool HasHeader() const { return mHeader[0] != 0 || mHeader[1] != 0; }
  bool LineNumberOk(const char* text, short length) const;
};
