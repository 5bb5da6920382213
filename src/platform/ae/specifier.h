// Object specifiers and their parts: building them, and taking apart the
// ones that arrive (which may be malformed: every field is checked).
#pragma once

#include "platform/ae/desc.h"

// "obj ": elements of class `want` in `container` (null = the application),
// chosen by `keyForm` with `keyData`.
AEDesc AEMakeObjectSpecifier(DescType want, const AEDesc& container, DescType keyForm, const AEDesc& keyData);
// Shorthands for the common forms.
AEDesc AEMakeIndexSpecifier(DescType want, const AEDesc& container, std::int32_t index);   // negative from the end
AEDesc AEMakeOrdinalSpecifier(DescType want, const AEDesc& container, OSType ordinal);     // kAEFirst ... kAEAll
AEDesc AEMakeNameSpecifier(DescType want, const AEDesc& container, std::string_view name);
AEDesc AEMakePropertySpecifier(DescType property, const AEDesc& container);
AEDesc AEMakeRelativeSpecifier(DescType want, const AEDesc& reference, OSType nextOrPrevious);
// A range of elements; `start` and `stop` are specifiers whose container is
// AEMakeCurrentContainer(), or ordinals.
AEDesc AEMakeRangeSpecifier(DescType want, const AEDesc& container, const AEDesc& start, const AEDesc& stop);
AEDesc AEMakeRange(const AEDesc& start, const AEDesc& stop);
// Elements of `container` that pass `test` (a comparison or logical descriptor).
AEDesc AEMakeTestSpecifier(DescType want, const AEDesc& container, const AEDesc& test);
AEDesc AEMakeComparison(OSType op, const AEDesc& object1, const AEDesc& object2);
AEDesc AEMakeLogical(OSType op, const AEDesc& terms);   // terms: a list
AEDesc AEMakeInsertionLocation(const AEDesc& object, OSType position);
AEDesc AEMakeCurrentContainer();
AEDesc AEMakeObjectBeingExamined();

// The four fields of an object specifier, checked for type.
struct AEObjectSpecifierFields {
  DescType want = 0;
  AEDesc container;
  DescType keyForm = 0;
  AEDesc keyData;
};
// Throws errAECoercionFail when `specifier` is not an object specifier and
// errAEDescNotFound when a field is missing.
AEObjectSpecifierFields AEParseObjectSpecifier(const AEDesc& specifier);

struct AEInsertionLocation {
  AEDesc object;
  OSType position = kAEEnd;
};
// An "insl" record, or a plain specifier standing for the end of that object.
AEInsertionLocation AEParseInsertionLocation(const AEDesc& desc);
