// The Services exchange: other programs' services work on the selection of
// the target text view through events of class "serv" on the application's
// event target. Get types (kind 3) says which data types the selection can
// give and the view can take, copy (kind 1) puts the selection into the
// event's scrap, paste (kind 2) puts the scrap's data in place of the
// selection as one undoable insert.
//
// Data types, in order: "TEXT" (the text's own bytes, Shift_JIS), "utxt"
// (UTF-16 in host order, through the Unicode bridge so that characters kept
// as side entries travel as themselves) and "PICT" (an inline picture).
// Copy and paste go through the flavor exchange, as the clipboard does.
//
// The desktop has no Services menu that sends these events; the kxedit
// driver's `services` steps send them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/services_event.h"
#include "platform/types.h"

class CKXTextEngine;

constexpr AEEventClass kKxEventClassService = FourCC("serv");
constexpr std::uint32_t kKxEventServiceCopy = 1;
constexpr std::uint32_t kKxEventServicePaste = 2;
constexpr std::uint32_t kKxEventServiceGetTypes = 3;
// Parameters: the copy and paste type lists, and the scrap.
constexpr AEKeyword kKxParamServiceCopyTypes = FourCC("svsd");
constexpr AEKeyword kKxParamServicePasteTypes = FourCC("svpt");
constexpr AEKeyword kKxParamScrapRef = FourCC("scrp");

class UKXTextOSXServices {
 public:
  // Installs the handler on the application's event target (once).
  static void Initialize();
  // Removes it when installed.
  static void Terminate();
  static bool IsInstalled() { return sHandlerRef != 0; }

  // 0 when handled, and when there is nothing to work on (no text view, no
  // scrap given, an empty selection to copy); kKxEventNotHandled for other
  // classes and kinds, for a paste into read-only text and for a paste that
  // brought nothing in (no data of the three types, a record that is no
  // picture, a failure on the way).
  static OSStatus ServicesMenuEventHandler(void* callRef, KxTargetEvent& event, void* userData);

  // The selection is one inline picture whose picture the table holds.
  static bool IsKXTextPictureSelect(const CKXTextEngine& engine);

  // The data types, in the order they are offered.
  static const std::vector<OSType>& DataTypes();

 private:
  static KxEventHandlerRef sHandlerRef;
};

// The text engine of the target commander when it is a text view with one;
// null otherwise.
CKXTextEngine* KxServicesTargetEngine();

// Whether bytes can be a picture record: at least its header, a size word
// that fits the bytes and a frame that is not empty.
bool KxServicesIsPicture(const std::uint8_t* data, std::size_t size);
