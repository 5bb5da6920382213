// The class registry: four-character class IDs of the window layouts mapped
// to the functions that build a pane of that class from its layout record.
#pragma once

#include <cstddef>

#include "platform/types.h"

class LPane;
struct KxLayoutPaneRecord;

using ClassCreatorFunc = LPane* (*)(const KxLayoutPaneRecord& record);

class URegistrar {
 public:
  // A second registration of a class ID replaces the first.
  static void RegisterClass(OSType classID, ClassCreatorFunc creator);
  static void UnregisterClass(OSType classID);
  // Null when the class is not registered.
  static ClassCreatorFunc FindClass(OSType classID);
  // Builds a pane of the record's class; null when the class is unknown.
  static LPane* CreateObject(const KxLayoutPaneRecord& record);
  static std::size_t CountClasses();
  static void DisposeClassTable();
};
