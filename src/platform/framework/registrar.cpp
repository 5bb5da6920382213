#include "platform/framework/registrar.h"

#include <map>

#include "platform/resources.h"

namespace {
std::map<OSType, ClassCreatorFunc>& Table() {
  static std::map<OSType, ClassCreatorFunc> table;
  return table;
}
}  // namespace

void URegistrar::RegisterClass(OSType classID, ClassCreatorFunc creator) {
  if (creator)
    Table()[classID] = creator;
  else
    Table().erase(classID);
}

void URegistrar::UnregisterClass(OSType classID) { Table().erase(classID); }

ClassCreatorFunc URegistrar::FindClass(OSType classID) {
  auto it = Table().find(classID);
  return it == Table().end() ? nullptr : it->second;
}

LPane* URegistrar::CreateObject(const KxLayoutPaneRecord& record) {
  ClassCreatorFunc creator = FindClass(record.classID);
  return creator ? creator(record) : nullptr;
}

std::size_t URegistrar::CountClasses() { return Table().size(); }

void URegistrar::DisposeClassTable() { Table().clear(); }
