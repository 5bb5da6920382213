// Object specifiers: building and checked parsing.
#include "platform/ae/specifier.h"

#include "platform/exception.h"

AEDesc AEMakeObjectSpecifier(DescType want, const AEDesc& container, DescType keyForm, const AEDesc& keyData) {
  AEDesc specifier = AEDesc::MakeRecord(typeObjectSpecifier);
  specifier.PutKeyDesc(keyAEDesiredClass, AEDesc::FromCode(typeType, want));
  specifier.PutKeyDesc(keyAEContainer, container);
  specifier.PutKeyDesc(keyAEKeyForm, AEDesc::FromCode(typeEnumerated, keyForm));
  specifier.PutKeyDesc(keyAEKeyData, keyData);
  return specifier;
}

AEDesc AEMakeIndexSpecifier(DescType want, const AEDesc& container, std::int32_t index) {
  return AEMakeObjectSpecifier(want, container, formAbsolutePosition, AEDesc::FromLong(index));
}

AEDesc AEMakeOrdinalSpecifier(DescType want, const AEDesc& container, OSType ordinal) {
  return AEMakeObjectSpecifier(want, container, formAbsolutePosition,
                               AEDesc::FromCode(typeAbsoluteOrdinal, ordinal));
}

AEDesc AEMakeNameSpecifier(DescType want, const AEDesc& container, std::string_view name) {
  return AEMakeObjectSpecifier(want, container, formName, AEDesc::FromText(name));
}

AEDesc AEMakePropertySpecifier(DescType property, const AEDesc& container) {
  return AEMakeObjectSpecifier(cProperty, container, formPropertyID, AEDesc::FromCode(typeType, property));
}

AEDesc AEMakeRelativeSpecifier(DescType want, const AEDesc& reference, OSType nextOrPrevious) {
  return AEMakeObjectSpecifier(want, reference, formRelativePosition,
                               AEDesc::FromCode(typeEnumerated, nextOrPrevious));
}

AEDesc AEMakeRange(const AEDesc& start, const AEDesc& stop) {
  AEDesc range = AEDesc::MakeRecord(typeRangeDescriptor);
  range.PutKeyDesc(keyAERangeStart, start);
  range.PutKeyDesc(keyAERangeStop, stop);
  return range;
}

AEDesc AEMakeRangeSpecifier(DescType want, const AEDesc& container, const AEDesc& start, const AEDesc& stop) {
  return AEMakeObjectSpecifier(want, container, formRange, AEMakeRange(start, stop));
}

AEDesc AEMakeTestSpecifier(DescType want, const AEDesc& container, const AEDesc& test) {
  return AEMakeObjectSpecifier(want, container, formTest, test);
}

AEDesc AEMakeComparison(OSType op, const AEDesc& object1, const AEDesc& object2) {
  AEDesc c = AEDesc::MakeRecord(typeCompDescriptor);
  c.PutKeyDesc(keyAECompOperator, AEDesc::FromCode(typeEnumerated, op));
  c.PutKeyDesc(keyAEObject1, object1);
  c.PutKeyDesc(keyAEObject2, object2);
  return c;
}

AEDesc AEMakeLogical(OSType op, const AEDesc& terms) {
  AEDesc l = AEDesc::MakeRecord(typeLogicalDescriptor);
  l.PutKeyDesc(keyAELogicalOperator, AEDesc::FromCode(typeEnumerated, op));
  l.PutKeyDesc(keyAELogicalTerms, AECoerceDesc(terms, typeAEList));
  return l;
}

AEDesc AEMakeInsertionLocation(const AEDesc& object, OSType position) {
  AEDesc l = AEDesc::MakeRecord(typeInsertionLoc);
  l.PutKeyDesc(keyAEObject, object);
  l.PutKeyDesc(keyAEPosition, AEDesc::FromCode(typeEnumerated, position));
  return l;
}

AEDesc AEMakeCurrentContainer() { return AEDesc(typeCurrentContainer, nullptr, 0); }
AEDesc AEMakeObjectBeingExamined() { return AEDesc(typeObjectBeingExamined, nullptr, 0); }

AEObjectSpecifierFields AEParseObjectSpecifier(const AEDesc& specifier) {
  if (!specifier.IsRecord() || specifier.GetType() != typeObjectSpecifier) throw LException(errAECoercionFail);
  AEObjectSpecifierFields out;
  out.want = specifier.GetKeyDesc(keyAEDesiredClass).AsCode();
  out.container = specifier.GetKeyDesc(keyAEContainer);
  out.keyForm = specifier.GetKeyDesc(keyAEKeyForm).AsCode();
  out.keyData = specifier.GetKeyDesc(keyAEKeyData);
  return out;
}

AEInsertionLocation AEParseInsertionLocation(const AEDesc& desc) {
  AEInsertionLocation out;
  if (desc.IsRecord() && desc.GetType() == typeInsertionLoc) {
    out.object = desc.GetKeyDesc(keyAEObject);
    out.position = desc.GetKeyDesc(keyAEPosition).AsCode();
  } else {
    out.object = desc;
  }
  return out;
}
