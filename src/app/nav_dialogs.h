// The program's file dialogs and document questions: open, save, save
// changes, discard changes and choose a folder, over the host's
// window-modal dialogs. Each runs the application's nested event loop until
// the user answers. Results are error codes: 0, kKxUserCanceled, or the
// error that kept the answer from being used.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/ae/desc.h"
#include "platform/host/host_dialogs.h"
#include "platform/toolbox/fsspec.h"
#include "views/drag_view.h"   // kKxUserCanceled, shared with drags

// A Save As format item: the type is the format's code.
struct NavMenuItemSpec {
  std::uint16_t version = 0;
  OSType menuCreator = 0;
  OSType menuType = 0;
  std::string menuItemName;   // UTF-8
};

// What a caller adds to a dialog: filters and popups before it shows, and
// the user's choices once accepted.
class KxNavExtras {
 public:
  virtual ~KxNavExtras() = default;
  virtual void Start(KxDialogRequest& /*request*/) {}
  // The user accepted (chose a file or a folder).
  virtual void Accept(const KxDialogReply& /*reply*/) {}
  // The dialog ended, accepted or not.
  virtual void Terminate(const KxDialogReply& /*reply*/) {}
};

// Where an open-documents event for several chosen files goes: the
// application installs its handler at start-up.
using KxOpenEventSink = std::function<void(const AppleEvent&)>;

// The code type (CKXJCode) the files of an open-documents event are to be
// read with, as a parameter of the event; every file of the event gets it.
constexpr AEKeyword kKxOpenCodeTypeKey = FourCC("KXjc");
// The code type of an open event, -1 (automatic) without the parameter.
short KxGetOpenCodeType(const AppleEvent& event);

class UNavigationServices {
 public:
  // Whether the dialogs can be shown (the host answers them). Always true
  // here; kept so that callers can fall back as the interface allows.
  static bool sNavigationServices;
  static void Initialize() { sNavigationServices = true; }
  static void Terminate() {}

  static void SetOpenEventSink(KxOpenEventSink sink);
  // The turn of the nested loop; by default the application's event turn,
  // or (without an application) the host's wait for its next event.
  static void SetLoopTurn(std::function<void()> turn);

  // A file to open among files of `types` (empty: every file). With
  // `single` one file is wanted; otherwise several may be chosen, and
  // several chosen go to the open-documents sink as one event (with the
  // code type that CKXJCode::sCodeType forces), answering kKxUserCanceled.
  static OSErr OpenFileDialog(const std::string& appName, OSType creator, const std::vector<OSType>& types,
                              KxNavExtras* extras, FSSpec& outSpec, OSType& outType, bool single);
  // Where to save. `window` is the document window it is modal on
  // (kKxNoWindow: the program); the proposed name is `fileName`. With format
  // items, `selected` (1-based, 0: none) is shown first and answers the
  // format the user chose.
  static OSErr SaveFileDialog(KxWindowID window, const std::string& fileName, const std::string& appName,
                              OSType fileType, OSType creator, KxNavExtras* extras, FSSpec& outSpec,
                              bool& outReplacing, bool& outStationery, const std::vector<NavMenuItemSpec>& menuItems,
                              std::int32_t* selected);
  // 1 save, 2 cancel, 3 don't save.
  static std::int16_t AskSaveChanges(KxWindowID window, const std::string& fileName, const std::string& appName,
                                     bool quitting);
  // 1 discard (revert), 2 cancel.
  static std::int16_t AskDiscardChanges(KxWindowID window, const std::string& fileName, const std::string& appName);
  // A folder.
  static OSErr DoSelectObject(KxNavExtras* extras, FSSpec& outSpec, OSType& outType, const std::string& prompt);

  // Turn a reply into results. Open: one file when a file is wanted and one
  // was chosen (or `forceOne`); otherwise every chosen file goes to the sink
  // and the answer is kKxUserCanceled.
  static OSErr CompleteOpen(const KxDialogReply& reply, FSSpec& outSpec, OSType& outType, bool wantFile,
                            bool forceOne);
  // Save: the folder and the whole name (never cut); a name the file
  // system cannot hold is an error, not another name.
  static OSErr CompleteSave(const KxDialogReply& reply, FSSpec& outSpec, bool& outReplacing, bool& outStationery);

  // Runs one dialog through the nested loop.
  static KxDialogReply Run(const KxDialogRequest& request);
};

// The open dialog's format filter chosen last (an index of its filters).
extern std::int32_t gNavPopupMenuSelectIndex;

// The error code of a failed file-system call, for callers that report it.
constexpr OSErr kKxBadNameErr = -37;
