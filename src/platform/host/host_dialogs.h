// File choosers and document questions that run window-modal: the host
// shows one and returns at once, the caller runs its nested event loop and
// polls until the user has answered. A dialog with a parent window blocks
// only that window; the program's other windows keep working.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/host/host.h"

enum class KxDialogKind {
  kOpen,             // one file, or several with `multiple`
  kSave,             // a new file's name; replacing an existing file is confirmed
  kChooseFolder,
  kSaveChanges,      // Save / Don't Save / Cancel
  kDiscardChanges,   // Discard / Cancel (revert)
};

// A file filter of a chooser, shown by its name. `accepts` sees the file's
// path; folders are always shown.
struct KxFileFilter {
  std::string name;   // UTF-8
  std::function<bool(const std::string& path)> accepts;
};

// A popup of the chooser's extra area (an encoding, a line-end choice).
struct KxDialogChoice {
  std::string label;                // UTF-8, shown before the popup
  std::vector<std::string> items;   // UTF-8
  int selected = 0;                 // index into items
};

struct KxDialogRequest {
  KxDialogKind kind = KxDialogKind::kOpen;
  KxWindowID parent = kKxNoWindow;   // window-modal on it; none: modal to the program
  std::string title;                 // the dialog window's title (UTF-8)
  std::string prompt;                // open: what to choose, as its title (UTF-8; empty: "Open")
  std::string name;                  // the proposed file name, or the document's name
  std::string folder;                // where a chooser starts (empty: the host's choice)
  bool multiple = false;             // open: several files may be chosen
  bool quitting = false;             // save changes: before quitting rather than closing
  std::vector<KxFileFilter> filters;
  int filter = 0;                    // the filter shown first
  std::vector<KxDialogChoice> choices;
  // Per filter: whether the choices can be changed with that filter chosen
  // (empty: always), for the choices without their own list.
  std::vector<bool> choicesEnabled;
  // Per choice, the same for that choice alone (a missing or empty row: as
  // choicesEnabled says).
  std::vector<std::vector<bool>> choiceEnabled;
  // Whether choice `choice` can be changed with `filter` chosen.
  bool ChoiceEnabled(std::size_t choice, int filter) const;
};

struct KxDialogReply {
  // kOK: chosen (a file, a folder, or "discard"); the questions answer
  // kSave, kDontSave or kCancel.
  KxAnswer answer = KxAnswer::kCancel;
  std::vector<std::string> paths;   // absolute, in the order chosen
  int filter = 0;                   // the filter chosen last
  std::vector<int> choices;         // the item chosen in each popup
  bool replacing = false;           // save: the user agreed to replace an existing file
};

// Shows `request` and runs the caller's loop until it is answered: `turn` is
// called between polls (the application's event turn). Without a display a
// host answers at once. A host that cannot show the dialog answers kCancel.
KxDialogReply KxRunDialog(const KxDialogRequest& request, const std::function<void()>& turn);
